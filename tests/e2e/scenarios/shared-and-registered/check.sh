count=$(reg_query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs' /v 'C:\e2e-shared\SHARED.DLL' | awk '/REG_DWORD/ {print $3}')
[ "$count" = "0x1" ] || fail "the shared count after two installs into one folder is '$count', not 0x1"
state=$(reg_query 'HKCU\Software\LorvelTestComponents' /v 'C:\e2e-shared\SHARED.DLL' | awk '/REG_SZ/ {print $3}')
[ "$state" = "registered" ] || fail "SHARED.DLL was not registered ('$state')"
wine_reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs' /v 'C:\e2e-shared\SHARED.DLL' /f >/dev/null 2>&1
rm -rf "$c_drive/e2e-shared"
