# Started as a deployment tool starts it, with no driver and no person: a silent
# install, the values of its entry in the list of installed programs, its log, then
# the silent uninstall through the entry's QuietUninstallString.
target=$c_drive/e2e-quiet
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EQuiet'
value() { reg_query "$key" /v "$1" | awk -F '    ' -v name="$1" '$2 == name {print $4}'; }

code=$(run_unattended "C:\\e2e\\$name\\SETUP.EXE" /SILENT '/LOG=C:\e2e-quiet-install.log')
[ "$code" = "$(wine_code 0)" ] || fail "the silent install ended with $code: $(cat "$c_drive/e2e-quiet-install.log" 2>/dev/null)"
for made in README.TXT DATA.BIN UNSETUP.INI; do [ -f "$target/$made" ] || fail "$made was not installed"; done

quiet=$(value QuietUninstallString)
case $quiet in
  '"'*'\UNKORAT.EXE" /SILENT "C:\e2e-quiet\UNSETUP.INI"') ;;
  *) fail "QuietUninstallString reads '$quiet'" ;;
esac
[ "$(value DisplayVersion)" = 2.5.1 ] || fail "DisplayVersion reads '$(value DisplayVersion)'"
[ "$(value Publisher)" = 'Lorvel 試験' ] || fail "Publisher reads '$(value Publisher)'"
[ "$(value InstallDate)" = "$(date +%Y%m%d)" ] || fail "InstallDate reads '$(value InstallDate)'"
bytes=$(( $(stat -c %s "$target/README.TXT") + $(stat -c %s "$target/DATA.BIN") + $(stat -c %s "$target/UNSETUP.INI") ))
expected=$(printf '0x%x' $(( (bytes + 1023) / 1024 )))
[ "$(value EstimatedSize)" = "$expected" ] || fail "EstimatedSize reads '$(value EstimatedSize)', not $expected ($bytes bytes)"

log=$c_drive/e2e-quiet-install.log
iconv -f UTF-8 -t UTF-8 "$log" >/dev/null || fail "the log is not UTF-8"
bad=$(tr -d '\r' < "$log" | grep -Ev '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} ' || true)
[ -z "$bad" ] || fail "log lines without a time: $bad"
for line in 'command line: ' 'switch: /SILENT' 'run mode: install' 'source folder: C:\e2e\' \
  'question [フォルダ作成] C:\e2e-quiet\ |  | このフォルダは存在しません．作成してもよろしいですか？ -> Yes (default)' \
  'status: ファイルをコピーしています．．． | Copying -> C:\e2e-quiet\DATA.BIN' 'status: レジストリを設定しています．．．' \
  'record written: C:\e2e-quiet\UNSETUP.INI' 'exit code 0'; do
  grep -qF -- "$line" "$log" || fail "the log lacks '$line':
$(cat "$log")"
done

uninstaller=${quiet%% /SILENT *}
uninstaller=${uninstaller#\"}
uninstaller=${uninstaller%\"}
record=${quiet#* /SILENT \"}
record=${record%\"}
code=$(run_unattended "$uninstaller" /SILENT "$record" '/LOG=C:\e2e-quiet-uninstall.log')
[ "$code" = "$(wine_code 0)" ] || fail "the silent uninstall ended with $code: $(cat "$c_drive/e2e-quiet-uninstall.log" 2>/dev/null)"
[ ! -e "$target" ] || fail "the setup folder is still there: $(ls -R "$target")"
if wine_reg query "$key" >/dev/null 2>&1; then fail "the entry is still listed"; fi
if wine_reg query 'HKCU\Software\LorvelE2EQuiet' >/dev/null 2>&1; then fail "the registry key is still there"; fi
grep -qF 'run mode: uninstall' "$c_drive/e2e-quiet-uninstall.log" || fail "the uninstall's log lacks its mode"
grep -qF 'exit code 0' "$c_drive/e2e-quiet-uninstall.log" || fail "the uninstall's log lacks its exit code"
rm -f "$c_drive/e2e-quiet-install.log" "$c_drive/e2e-quiet-uninstall.log"
