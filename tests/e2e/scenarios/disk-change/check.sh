[ -f "$c_drive/e2e-disks/DISK1.TXT" ] && [ -f "$c_drive/e2e-disks/DISK2.TXT" ] || fail "the files of both disks were not copied"
rm -rf "$c_drive/e2e-disks"
