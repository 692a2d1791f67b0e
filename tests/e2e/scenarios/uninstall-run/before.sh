rm -rf "$c_drive/e2e-uninstall"; mkdir -p "$c_drive/e2e-uninstall"
cp "$components/component_ok.dll" "$media/ONE.DLL"
cp "$components/component_ok.dll" "$media/TWO.DLL"
# Another program uses TWO.DLL already: the shared-file table counts it once.
shared='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs'
wine_reg delete "$shared" /v 'C:\e2e-uninstall\ONE.DLL' /f >/dev/null 2>&1 || true
wine_reg add "$shared" /v 'C:\e2e-uninstall\TWO.DLL' /t REG_DWORD /d 1 /f >/dev/null 2>&1
