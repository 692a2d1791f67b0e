[ ! -e "$c_drive/e2e-leftover" ] || fail "the folder the killed run made is still there"
value=$(reg_query 'HKCU\Software\LorvelE2EInterrupted' /v V | awk '/REG_SZ/ {print $3}')
[ "$value" = old ] || fail "the value the killed run wrote over reads '$value', not the user's 'old'"
[ -f "$c_drive/e2e-interrupted/README.TXT" ] || fail "the install asked for did not run after the repair"
[ -z "$(ls "$c_drive/windows/LVJOURNAL" 2>/dev/null)" ] || fail "a journal was left: $(ls "$c_drive/windows/LVJOURNAL")"
reg_delete 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EInterrupted' \
  'HKEY_CURRENT_USER\Software\LorvelE2EInterrupted'
rm -rf "$c_drive/e2e-interrupted"
