rm -rf "$c_drive/e2e-quiet-failure" "$c_drive/e2e-quiet-failure.log"
