[ ! -e "$c_drive/e2e-everything" ] || fail "the setup folder is still there: $(find "$c_drive/e2e-everything")"
