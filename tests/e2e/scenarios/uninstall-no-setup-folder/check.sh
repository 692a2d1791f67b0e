[ -f "$c_drive/e2e-nofolder/A.TXT" ] || fail "a file was removed"
[ -f "$c_drive/e2e-nofolder/UNSETUP.INI" ] || fail "the record was removed"
rm -rf "$c_drive/e2e-nofolder"
