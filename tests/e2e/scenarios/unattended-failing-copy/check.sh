# A copy that fails ends the run with 1603 and the failure in the log; nothing waits
# for a person to read the details.
code=$(run_unattended "C:\\e2e\\$name\\SETUP.EXE" /SUPPRESSMSGBOXES '/LOG=C:\e2e-quiet-failure.log')
log=$c_drive/e2e-quiet-failure.log
[ "$code" = "$(wine_code 1603)" ] || fail "the install ended with $code: $(cat "$log" 2>/dev/null)"
[ -f "$c_drive/e2e-quiet-failure/THERE.TXT" ] || fail "the file that was there was not copied"
grep -qF 'failure: <File> C:\e2e\unattended-failing-copy\MISSING.TXT | ' "$log" || fail "the log lacks the failure:
$(cat "$log")"
grep -qF 'question [警告] ' "$log" || fail "the log lacks the details question"
grep -qF 'exit code 1603' "$log" || fail "the log lacks the exit code"
wine_reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EQuietFailure' /f >/dev/null 2>&1 || true
rm -rf "$c_drive/e2e-quiet-failure" "$log"
