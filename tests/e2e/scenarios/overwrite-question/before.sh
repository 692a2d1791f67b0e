rm -rf "$c_drive/e2e-overwrite"; mkdir -p "$c_drive/e2e-overwrite"
printf 'old\r\n' > "$c_drive/e2e-overwrite/KEEP.TXT"; printf 'old\r\n' > "$c_drive/e2e-overwrite/FORCED.TXT"
