if [ -d "$c_drive/e2e-planted" ]; then fail "the library left in the folder was loaded: $(ls "$c_drive/e2e-planted")"; fi
cmp -s "$components/planted_VERSION.dll" "$c_drive/e2e-open/A.DLL" || fail "the file left in the folder was replaced"
grep -qF 'C:\e2e-open' "$c_drive/e2e-open.log" && grep -qF '管理者以外のユーザーもこのフォルダを変更できるため' "$c_drive/e2e-open.log" ||
  fail "the log does not say why: $(cat "$c_drive/e2e-open.log")"
rm -rf "$c_drive/e2e-open" "$c_drive/e2e-planted" "$c_drive/e2e-open.log"
