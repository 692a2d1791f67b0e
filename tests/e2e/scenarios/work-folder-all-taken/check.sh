[ "$(cat "$c_drive/e2e-documents/letter.txt" 2>/dev/null)" = "my letter" ] || fail "the documents behind the link were touched"
[ "$(ls "$c_drive/e2e-documents")" = "letter.txt" ] || fail "something was put into the documents: $(ls "$c_drive/e2e-documents")"
for n in $(seq 1 98); do [ ! -e "$temp_dir/KRTMP$n" ] || fail "KRTMP$n was left"; done
left=$(cd "$temp_dir" && ls -d KRTMP???????????????? 2>/dev/null || true)
[ -z "$left" ] || fail "the unforeseeable work folder was left: $left"
# Wine cannot remove a link to a folder; Windows would have taken KRTMP99 away.
rm -f "$temp_dir/KRTMP99"
grep -q 'exit code 0' "$c_drive/e2e-all-taken.log" || fail "the log does not end with exit code 0: $(cat "$c_drive/e2e-all-taken.log")"
rm -f "$c_drive/e2e-all-taken.log.~tmp"
rm -rf "$c_drive/e2e-documents" "$c_drive/e2e-all-taken.log"
