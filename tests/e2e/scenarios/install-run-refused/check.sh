[ ! -e "$c_drive/e2e-refused" ] || fail "the refused folder was created"
