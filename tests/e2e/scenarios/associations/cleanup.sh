# What this scenario makes in the shared prefix, removed before it runs and after.
rm -rf "$c_drive/e2e relate"
reg_delete 'HKEY_CLASSES_ROOT\.LVA' 'HKEY_CLASSES_ROOT\LVA_auto_file' 'HKEY_CLASSES_ROOT\.LVB' \
  'HKEY_CLASSES_ROOT\LVB_auto_file' 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2ERelate'
