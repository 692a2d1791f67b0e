[ -f "$c_drive/e2e-abort/F1.TXT" ] || fail "the file copied before the abort is gone"
[ ! -f "$c_drive/e2e-abort/F5.TXT" ] || fail "the copy went on after the abort"
rm -rf "$c_drive/e2e-abort"
