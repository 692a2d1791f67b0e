wine_reg delete 'HKLM\Software\LorvelE2E' /f >/dev/null 2>&1 || true
