# What this scenario makes in the shared prefix, removed before it runs and after.
rm -rf "$c_drive/e2e-ini"
rm -f "$c_drive/windows/LORVELINI.INI"
reg_delete 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EIni'
