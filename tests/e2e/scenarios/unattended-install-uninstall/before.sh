rm -rf "$c_drive/e2e-quiet" "$c_drive/e2e-quiet-install.log" "$c_drive/e2e-quiet-uninstall.log"
reg_delete 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EQuiet' 'HKEY_CURRENT_USER\Software\LorvelE2EQuiet'
head -c 5000 /dev/zero | tr '\0' 'q' > "$media/DATA.BIN"
