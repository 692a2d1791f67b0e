rm -rf "$c_drive/e2e-nofolder"; mkdir -p "$c_drive/e2e-nofolder"
printf 'a\r\n' > "$c_drive/e2e-nofolder/A.TXT"
printf '[Title]\r\nUnSetup=NoFolder\r\n[DeleteFile]\r\nFile1=C:\\e2e-nofolder\\A.TXT\r\n' > "$c_drive/e2e-nofolder/UNSETUP.INI"
