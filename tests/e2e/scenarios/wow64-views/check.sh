# Where a 32-bit program on 64-bit Windows (wow64) puts what it installs, and that its
# uninstall keeps its hands off the Program Files folder it is not shown: the record
# asks for "C:\Program Files\*.*", the folder of 64-bit programs there. The 64-bit
# build (win64) and a pure 32-bit prefix (win32) take their own places.
program_files=${wine_program_files#C:\\}
system=${wow64_system:-system32}
target="$c_drive/$program_files/LorvelE2EWow"
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EWow'
trap 'rm -rf "$sentinel" "$target" "$c_drive/e2e-wow-install.log" "$c_drive/e2e-wow-uninstall.log"; rm -f "$c_drive/windows/$system/LORVELWOW.TXT"; reg_delete "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\LorvelE2EWow"' EXIT

code=$(run_unattended "C:\\e2e\\$name\\SETUP.EXE" /SILENT '/LOG=C:\e2e-wow-install.log')
[ "$code" = "$(wine_code 0)" ] || fail "the install ended with $code: $(cat "$c_drive/e2e-wow-install.log" 2>/dev/null)"
[ -f "$target/README.TXT" ] || fail "README.TXT is not in $program_files"
[ -f "$c_drive/windows/$system/LORVELWOW.TXT" ] || fail "the system file is not in $system"
wine_reg query "$key" >/dev/null 2>&1 || fail "the entry is not in the list the program's own kind reads"
if [ "$LORVEL_WINE_ARCH" = wow64 ]; then
  [ ! -e "$c_drive/windows/system32/LORVELWOW.TXT" ] || fail "the 32-bit program's system file is in the 64-bit system folder"
  if wine reg query "$key" /reg:64 >/dev/null 2>&1; then fail "the 32-bit program's entry is in the 64-bit list"; fi
fi

quiet=$(reg_query "$key" /v QuietUninstallString | awk -F '    ' '$2 == "QuietUninstallString" {print $4}')
uninstaller=${quiet%% /SILENT *}
uninstaller=${uninstaller#\"}
uninstaller=${uninstaller%\"}
record=${quiet#* /SILENT \"}
record=${record%\"}
[ -n "$uninstaller" ] && [ -n "$record" ] || fail "the entry's QuietUninstallString reads '$quiet'"
run_unattended "$uninstaller" /SILENT "$record" '/LOG=C:\e2e-wow-uninstall.log' >/dev/null
[ -f "$sentinel/KEEP.TXT" ] || fail "the uninstall emptied C:\\Program Files"
grep -qF 'ワイルドカードで削除する指定のため' "$c_drive/e2e-wow-uninstall.log" ||
  fail "the uninstall's log does not say the wildcard was refused:
$(cat "$c_drive/e2e-wow-uninstall.log")"
[ ! -e "$target/README.TXT" ] || fail "the installed file is still there"
