if ls -d "$temp_dir"/KRTMP* >/dev/null 2>&1; then fail "a work folder was left: $(ls -d "$temp_dir"/KRTMP*)"; fi
