rm -rf "$c_drive/e2e-complete"
wine_reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EComplete' /f >/dev/null 2>&1 || true
