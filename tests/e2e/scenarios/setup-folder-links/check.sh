# The copy through the link is refused and reported; the rest of the install goes on.
code=$(run_unattended "C:\\e2e\\$name\\SETUP.EXE" /VERYSILENT '/LOG=C:\e2e-links.log')
log=$c_drive/e2e-links.log
[ "$code" = "$(wine_code 1603)" ] || fail "the install ended with $code: $(cat "$log" 2>/dev/null)"
[ "$(cat "$c_drive/e2e-system/A.DLL")" = "the system's library" ] || fail "the copy went through the link"
[ "$(ls "$c_drive/e2e-system")" = "A.DLL" ] || fail "something was put behind the link: $(ls "$c_drive/e2e-system")"
[ -f "$c_drive/e2e-linked/B.TXT" ] || fail "the file beside the link was not copied"
grep -qF 'failure: <File> C:\e2e-linked\SUB\A.DLL | ' "$log" || fail "the log lacks the refusal:
$(cat "$log")"
[ -f "$c_drive/e2e-linked/UNSETUP.INI" ] || fail "the install wrote no record"
grep -q 'SUB\\A.DLL' "$c_drive/e2e-linked/UNSETUP.INI" && fail "the refused file is in the record"
wine_reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2ELinks' /f >/dev/null 2>&1 || true
rm -f "$c_drive/e2e-linked/SUB"
rm -rf "$c_drive/e2e-linked" "$c_drive/e2e-system" "$log"
