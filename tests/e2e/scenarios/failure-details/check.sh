target=$c_drive/e2e-details
[ -f "$target/THERE.TXT" ] || fail "THERE.TXT was not copied"
grep -q 'File1=C:\\e2e-details\\THERE.TXT' "$target/UNSETUP.INI" || fail "the record lacks THERE.TXT"
if grep -q 'MISSING' "$target/UNSETUP.INI"; then fail "the record lists the missing file"; fi
wine_reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EDetails' /f >/dev/null 2>&1
rm -rf "$target"
