rm -rf "$c_drive/e2e-tampered"; mkdir -p "$c_drive/e2e-tampered"
printf 'a\r\n' > "$c_drive/e2e-tampered/A.TXT"
printf '[S]\r\n' > "$c_drive/windows/e2e-sentinel.ini"
printf '[Title]\r\nUnSetup=Tampered\r\n[SetupFolder]\r\nFolder=C:\\e2e-tampered\\\r\n[DeleteFile]\r\nFile1=C:\\e2e-tampered\\A.TXT\r\nFile2=C:\\e2e-tampered\\UNSETUP.INI\r\n[AddDeleteFile]\r\nFile1=C:\\windows\\*.ini\r\nFile2=C:\\e2e-tampered\\..\\windows\\*.*\r\n[UnSetupOption]\r\nCheckBox=1,0,0,0\r\n' \
  > "$c_drive/e2e-tampered/UNSETUP.INI"
