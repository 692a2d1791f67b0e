[ -f "$c_drive/e2e-disks2/DISK1.TXT" ] || fail "the first disk's file is gone"
rm -rf "$c_drive/e2e-disks2"
