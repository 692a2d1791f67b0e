# Another program's files in the 64-bit Program Files folder, which the 32-bit
# program is never shown.
sentinel="$c_drive/Program Files/LorvelE2EWowSentinel"
rm -rf "$sentinel" "$c_drive/Program Files/LorvelE2EWow" "$c_drive/Program Files (x86)/LorvelE2EWow"
rm -f "$c_drive/windows/system32/LORVELWOW.TXT" "$c_drive/windows/syswow64/LORVELWOW.TXT"
mkdir -p "$sentinel"
printf 'keep\r\n' > "$sentinel/KEEP.TXT"
reg_delete 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EWow'
