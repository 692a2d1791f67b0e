if [ -d "$c_drive/e2e-planted" ]; then fail "a library was loaded: $(ls "$c_drive/e2e-planted")"; fi
reg_query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' | grep -q LorvelE2EMarker || fail "the Run key was deleted"
reg_query 'HKCR\.txt' /ve | grep -q 'REG_SZ *txtfile$' || fail ".txt changed: $(reg_query 'HKCR\.txt' /ve)"
reg_query 'HKCR\.exe' /ve | grep -q 'REG_SZ *exefile$' || fail ".exe changed: $(reg_query 'HKCR\.exe' /ve)"
if reg_query 'HKCU\Software\LorvelTestComponents' | grep -q unregistered; then fail "OWN.DLL was loaded to unregister it"; fi
[ -f "$c_drive/e2e-victim/KEEP.TXT" ] || fail "the folder the edited record named was emptied"
rm -rf "$c_drive/e2e-victim"
[ ! -e "$c_drive/e2e-edited" ] || fail "the setup folder is still there: $(ls "$c_drive/e2e-edited")"
if wine_reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EEdited' >/dev/null 2>&1; then
  fail "the entry that started this record is still listed"
fi
wine_reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v LorvelE2EMarker /f >/dev/null 2>&1 || true
wine_reg delete 'HKCU\Software\LorvelTestComponents' /f >/dev/null 2>&1 || true
