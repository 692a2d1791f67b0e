rm -rf "$c_drive/e2e-disks2"; mkdir -p "$c_drive/e2e-disks2"
