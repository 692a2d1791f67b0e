# What this scenario makes in the shared prefix, removed before it runs and after.
rm -rf "$c_drive/e2e-registry"
reg_delete 'HKEY_CURRENT_USER\Software\LorvelE2E' 'HKEY_LOCAL_MACHINE\Software\LorvelE2E' \
  'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2ERegistry'
