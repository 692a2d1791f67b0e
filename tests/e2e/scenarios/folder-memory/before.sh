# The folder memory of an earlier install of the same program, in the Windows folder.
printf '[OTHER]\r\nFolder=C:\\Other\r\n[LORVELE2E]\r\nFolder=E:\\Remembered\r\n' > "$c_drive/windows/KORAT98.INI"
