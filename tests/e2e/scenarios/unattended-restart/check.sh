wine_reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EQuietReboot' /f >/dev/null 2>&1 || true
rm -rf "$c_drive/e2e-quiet-reboot"
