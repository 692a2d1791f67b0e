[ -f "$c_drive/windows/e2e-sentinel.ini" ] || fail "a file in the Windows folder was deleted"
[ -f "$c_drive/windows/win.ini" ] || fail "win.ini was deleted"
for system in system32 ${wow64_system:-}; do
  [ -d "$c_drive/windows/$system" ] || fail "the system folder $system was deleted"
done
[ ! -e "$c_drive/e2e-tampered" ] || fail "the setup folder is still there"
rm -f "$c_drive/windows/e2e-sentinel.ini"
