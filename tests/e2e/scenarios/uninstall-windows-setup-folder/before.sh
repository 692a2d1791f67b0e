printf 'app\r\n' > "$c_drive/windows/e2e-app.txt"
printf '[Title]\r\nUnSetup=WindowsFolder\r\n[SetupFolder]\r\nFolder=C:\\windows\\\r\n[DeleteFile]\r\nFile1=C:\\windows\\e2e-app.txt\r\n[UnSetupOption]\r\nCheckBox=DeleteAll\r\n' \
  > "$c_drive/windows/UNSETUP.INI"
