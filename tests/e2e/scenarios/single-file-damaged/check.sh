[ ! -e "$c_drive/e2e-damaged" ] || fail "the damaged file installed something"
ls "$temp_dir" | grep -q '^KRTMP' && fail "a work folder was left: $(ls "$temp_dir")"
true
