target=$c_drive/e2e-complete
record=$(iconv -f CP932 -t UTF-8 < "$target/UNSETUP.INI" | tr -d '\r')
section() { printf '%s\n' "$record" | awk -v s="[$1]" '$0 == s {on=1; next} /^\[/ {on=0} on'; }
[ "$(section DeleteFile)" = 'File1=C:\e2e-complete\README.TXT
File2=C:\e2e-complete\DATA\SAMPLE.DAT
File3=C:\e2e-complete\UNSETUP.INI' ] || fail "the record's files are: $(section DeleteFile)"
[ "$(section DeleteFolder)" = 'Folder1=C:\e2e-complete\DATA\' ] || fail "the record's folders are: $(section DeleteFolder)"
[ "$(section Title)" = 'UnSetup=完成インストール' ] || fail "the record's title is: $(section Title)"
[ "$(section UnSetupOption)" = 'CheckBox=1,0,0,0' ] || fail "the record's options are: $(section UnSetupOption)"
[ "$(section UnSetupRegistryKey)" = 'Key=SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EComplete' ] ||
  fail "the record's key is: $(section UnSetupRegistryKey)"
[ "$(section ProgramID)" = 'ID=LORVELCOMPLETE' ] || fail "the record's program id is: $(section ProgramID)"
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EComplete'
entry=$(reg_query "$key")
value() { printf '%s\n' "$entry" | sed -n "s/^ *$1 *REG_[A-Z]* *//p"; }
[ "$(value DisplayName)" = '完成インストール 1.0' ] || fail "DisplayName is '$(value DisplayName)'"
[ "$(value UninstallString)" = '"C:\windows\UNKORAT.EXE" "C:\e2e-complete\UNSETUP.INI"' ] ||
  fail "UninstallString is '$(value UninstallString)'"
[ "$(value DisplayIcon)" = 'C:\windows\UNKORAT.EXE' ] || fail "DisplayIcon is '$(value DisplayIcon)'"
[ "$(value InstallLocation)" = 'C:\e2e-complete\' ] || fail "InstallLocation is '$(value InstallLocation)'"
[ "$(value NoModify)" = '0x1' ] || fail "NoModify is '$(value NoModify)'"
[ "$(value NoRepair)" = '0x1' ] || fail "NoRepair is '$(value NoRepair)'"
cmp -s "$c_drive/windows/UNKORAT.EXE" "$media/SETUP.EXE" || fail "UNKORAT.EXE is not the program"
memory=$(iconv -f CP932 -t UTF-8 < "$c_drive/windows/KORAT98.INI" | tr -d '\r')
[ "$memory" = '[LORVELCOMPLETE]
Folder=C:\e2e-complete\' ] || fail "KORAT98.INI holds: $memory"
wine_reg delete "$key" /f >/dev/null 2>&1
rm -rf "$target"
