rm -rf "$c_drive/e2e-shared"; mkdir -p "$c_drive/e2e-shared"
cp "$components/component_ok.dll" "$media/SHARED.DLL"
cp "$components/component_fails.dll" "$media/FAILS.DLL"
wine_reg delete 'HKCU\Software\LorvelTestComponents' /f >/dev/null 2>&1 || true
wine_reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs' /v 'C:\e2e-shared\SHARED.DLL' /f >/dev/null 2>&1 || true
