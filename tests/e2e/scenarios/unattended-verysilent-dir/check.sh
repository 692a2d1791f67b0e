if wine_reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EVerySilent' >/dev/null 2>&1; then
  fail "the entry is still listed"
fi
