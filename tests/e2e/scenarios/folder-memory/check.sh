rm -f "$c_drive/windows/KORAT98.INI"
