rm -rf "$c_drive/e2e-answers"
reg_delete 'HKEY_CLASSES_ROOT\.LVQ' 'HKEY_CLASSES_ROOT\LVQ_auto_file' 'HKEY_CLASSES_ROOT\.LVR' 'HKEY_CLASSES_ROOT\LVR_auto_file' \
  'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EAnswers'
