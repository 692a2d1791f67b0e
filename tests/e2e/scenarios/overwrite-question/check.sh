[ "$(tr -d '\r' < "$c_drive/e2e-overwrite/KEEP.TXT")" = "old" ] || fail "KEEP.TXT was overwritten after No"
[ "$(tr -d '\r' < "$c_drive/e2e-overwrite/FORCED.TXT")" = "new" ] || fail "FORCED.TXT (/W) was not written"
rm -rf "$c_drive/e2e-overwrite"
