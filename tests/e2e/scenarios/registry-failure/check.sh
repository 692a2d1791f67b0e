trap 'source "$scenario/cleanup.sh"' EXIT
target=$c_drive/e2e-regfail
[ -f "$target/README.TXT" ] || fail "the copy before the failure did not happen"
values=$(reg_query 'HKCU\Software\LorvelE2EFail')
grep -q '^    Before    REG_SZ    written$' <<<"$values" || fail "the value before the failure is missing: $values"
if grep -q 'Late' <<<"$values"; then fail "a value after the failure was written"; fi
[ ! -e "$target/AFTER.INI" ] || fail "the profile entry after the failure was written"
[ ! -e "$target/UNSETUP.INI" ] || fail "a record was written"
[ ! -e "$c_drive/windows/UNKORAT.EXE" ] || fail "the uninstaller was installed"
if wine_reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2ERegFail' >/dev/null 2>&1; then
  fail "the program was entered in the list of installed programs"
fi
if compgen -G "$temp_dir/KRTMP*" >/dev/null; then fail "the work folder is still there: $(ls -d "$temp_dir"/KRTMP*)"; fi
