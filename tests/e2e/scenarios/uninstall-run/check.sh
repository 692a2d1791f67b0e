target=$c_drive/e2e-uninstall
for gone in README.TXT DATA/SAMPLE.DAT DATA ONE.DLL SETTINGS.INI UNSETUP.INI; do
  [ ! -e "$target/$gone" ] || fail "$gone is still there"
done
[ -f "$target/USER.DAT" ] || fail "the user's file is gone"
[ -f "$target/TWO.DLL" ] || fail "the library another program uses is gone"
shared='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs'
reg_query "$shared" | grep -q 'C:\\e2e-uninstall\\TWO.DLL *REG_DWORD *0x1$' || fail "TWO.DLL's count is not 1: $(reg_query "$shared")"
if reg_query "$shared" | grep -q 'ONE.DLL'; then fail "ONE.DLL still has a count"; fi
if wine_reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EUninstall' >/dev/null 2>&1; then
  fail "the uninstall entry is still listed"
fi
if [ -f "$c_drive/windows/KORAT98.INI" ] && iconv -f CP932 -t UTF-8 < "$c_drive/windows/KORAT98.INI" | grep -q LORVELUNINSTALL; then
  fail "the folder memory still holds the program"
fi
wine_reg delete "$shared" /v 'C:\e2e-uninstall\TWO.DLL' /f >/dev/null 2>&1 || true
rm -rf "$target"
