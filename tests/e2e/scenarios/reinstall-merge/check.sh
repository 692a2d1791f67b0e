target=$c_drive/e2e-merge
files=$(iconv -f CP932 -t UTF-8 < "$target/UNSETUP.INI" | tr -d '\r' |
  awk '$0 == "[DeleteFile]" {on=1; next} /^\[/ {on=0} on')
[ "$files" = 'File1=C:\e2e-merge\a.txt
File2=C:\e2e-merge\SHARED.TXT,/S
File3=C:\e2e-merge\UNSETUP.INI
File4=C:\e2e-merge\C.TXT' ] || fail "the merged record's files are: $files"
count=$(reg_query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs' /v 'C:\e2e-merge\SHARED.TXT' | awk '/REG_DWORD/ {print $3}')
[ "$count" = "0x1" ] || fail "the shared count is '$count', not 0x1"
wine_reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs' /v 'C:\e2e-merge\SHARED.TXT' /f >/dev/null 2>&1
wine_reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EMerge' /f >/dev/null 2>&1
rm -rf "$target"
