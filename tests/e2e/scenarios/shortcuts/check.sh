trap 'source "$scenario/cleanup.sh"' EXIT
[ -f "$programs/試験アプリ.lnk" ] || fail "no shortcut in the programs folder: $(ls "$programs")"
[ ! -e "$desktop/試験アプリ.lnk" ] || fail "the desktop shortcut was made although its box was unticked"
win_programs="C:\\users\\$(whoami)\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
links=$(read_link "$win_programs\\試験アプリ.lnk" "$win_programs\\試験グループ\\設定.lnk" \
  "$win_programs\\試験グループ\\はじめにお読みください.lnk") || fail "a shortcut could not be read back: $links"
expected='Target=C:\e2e-shortcuts\APP.EXE
Arguments=/open "C:\e2e-shortcuts\作業\一覧.txt"
WorkingDirectory=C:\e2e-shortcuts\
Target=C:\e2e-shortcuts\APP.EXE
Arguments=/settings
WorkingDirectory=C:\e2e-shortcuts\作業\
Target=C:\e2e-shortcuts\README.TXT
Arguments=
WorkingDirectory=C:\e2e-shortcuts\'
[ "$links" = "$expected" ] || fail "the shortcuts read back as:
$links"
recorded=$(ini_section "$c_drive/e2e-shortcuts/UNSETUP.INI" DeleteShortCut)
[ "$recorded" = "File1=$win_programs\\試験アプリ.lnk
File2=$win_programs\\試験グループ\\設定.lnk
File3=$win_programs\\試験グループ\\はじめにお読みください.lnk" ] || fail "the record's shortcuts are:
$recorded"
