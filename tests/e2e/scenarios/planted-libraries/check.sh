# Under Wine the override also makes Wine's own gdi32, which imports version.dll,
# take the planted copy at process start (on Windows gdi32 is a known DLL and its
# imports never come from the program's folder). So VERSION.dll may be loaded there,
# but the program's own code must never reach it; LZ32.dll nothing else imports.
planted=$c_drive/e2e-planted
marks=$(ls "$planted" 2>/dev/null | tr 'a-z' 'A-Z')
if grep -qx 'LZ32.DLL.LOADED' <<<"$marks"; then fail "the planted LZ32.dll was loaded"; fi
if grep -q '\.CALLED$' <<<"$marks"; then fail "the program called into a planted library: $(grep '\.CALLED$' <<<"$marks")"; fi
target=$c_drive/e2e-planted-app
[ "$(tr -d '\r' < "$target/README.TXT")" = "read me first" ] || fail "README.TX_ was not expanded by the system's LZ32"
cmp -s "$target/PLAIN.TXT" "$media/PLAIN.TXT" || fail "PLAIN.TXT was not copied"
rm -rf "$target" "$planted"
