rm -rf "$c_drive/e2e-merge"
wine_reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs' /v 'C:\e2e-merge\SHARED.TXT' /f >/dev/null 2>&1 || true
