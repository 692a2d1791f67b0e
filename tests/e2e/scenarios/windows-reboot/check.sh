target=$c_drive/e2e-reboot
[ -f "$target/UNSETUP.INI" ] || fail "no record was written"
wine_reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EReboot' /f >/dev/null 2>&1
rm -rf "$target"
