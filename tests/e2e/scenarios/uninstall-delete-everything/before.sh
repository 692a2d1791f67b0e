rm -rf "$c_drive/e2e-everything"; mkdir -p "$c_drive/e2e-everything/DATA/DEEP"
printf 'a\r\n' > "$c_drive/e2e-everything/APP.EXE"
printf 'mine\r\n' > "$c_drive/e2e-everything/USER.DAT"
printf 'deep\r\n' > "$c_drive/e2e-everything/DATA/DEEP/NOTES.TXT"
printf '[Title]\r\nUnSetup=Everything\r\n[SetupFolder]\r\nFolder=C:\\e2e-everything\\\r\n[DeleteFolder]\r\nFolder1=C:\\e2e-everything\\DATA\\\r\n[DeleteFile]\r\nFile1=C:\\e2e-everything\\APP.EXE\r\nFile2=C:\\e2e-everything\\UNSETUP.INI\r\n[UnSetupOption]\r\nCheckBox=DeleteAll\r\n' \
  > "$c_drive/e2e-everything/UNSETUP.INI"
