rm -rf "$c_drive/e2e-abort"; mkdir -p "$c_drive/e2e-abort"
