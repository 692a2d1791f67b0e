rm -rf "$c_drive/e2e-disks"; mkdir -p "$c_drive/e2e-disks"
