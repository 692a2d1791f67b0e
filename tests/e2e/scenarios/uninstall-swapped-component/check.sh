if [ -d "$c_drive/e2e-planted" ]; then fail "the library put in the component's place was loaded: $(ls "$c_drive/e2e-planted")"; fi
reg_query 'HKCU\Software\LorvelTestComponents' | grep -qi 'e2e-swapped.OWN.DLL.*registered' ||
  fail "the install did not register OWN.DLL: $(reg_query 'HKCU\Software\LorvelTestComponents')"
[ ! -e "$c_drive/e2e-swapped" ] || fail "the setup folder is still there: $(ls "$c_drive/e2e-swapped")"
if wine_reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2ESwapped' >/dev/null 2>&1; then
  fail "the entry is still listed"
fi
wine_reg delete 'HKCU\Software\LorvelTestComponents' /f >/dev/null 2>&1 || true
