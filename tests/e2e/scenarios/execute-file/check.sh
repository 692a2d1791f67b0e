target=$c_drive/e2e-execute
# The shell starts the program on its own; give it a moment.
for _ in $(seq 1 50); do [ -s "$target/ARGS.OUT" ] && break; sleep 0.2; done
[ "$(cat "$target/ARGS.OUT" 2>/dev/null)" = "/Q hello" ] ||
  fail "the program was given '$(cat "$target/ARGS.OUT" 2>/dev/null)', not '/Q hello'"
wine_reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EExecute' /f >/dev/null 2>&1
rm -rf "$target"
