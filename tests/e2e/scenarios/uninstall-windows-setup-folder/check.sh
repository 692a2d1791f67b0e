[ ! -e "$c_drive/windows/e2e-app.txt" ] || fail "the recorded file is still there"
for kept in win.ini system32 ${wow64_system:-} UNSETUP.INI; do
  [ -e "$c_drive/windows/$kept" ] || fail "$kept in the Windows folder was deleted"
done
rm -f "$c_drive/windows/UNSETUP.INI"
