[ -d "$c_drive/e2e-target/新しいフォルダ/表示" ] || fail "the setup folder was not created"
if ls -d "$temp_dir"/KRTMP* >/dev/null 2>&1; then fail "a work folder was left"; fi
rm -rf "$c_drive/e2e-target"
