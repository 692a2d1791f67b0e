# What this scenario makes in the shared prefix, removed before it runs and after.
rm -rf "$c_drive/e2e-regfail"
reg_delete 'HKEY_CURRENT_USER\Software\LorvelE2EFail' \
  'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2ERegFail'
