rm -rf "$c_drive/e2e-quiet-reboot"
