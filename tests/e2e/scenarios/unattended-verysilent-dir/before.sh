rm -rf "$c_drive/e2e very silent" "$c_drive/e2e-not-here"
