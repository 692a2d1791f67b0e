# What this scenario makes in the shared prefix, removed before it runs and after.
programs="$c_drive/users/$(whoami)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
desktop="$c_drive/users/$(whoami)/Desktop"
rm -rf "$c_drive/e2e-shortcuts" "$programs/試験グループ"
rm -f "$programs/試験アプリ.lnk" "$desktop/試験アプリ.lnk"
reg_delete 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LorvelE2EShortcuts'
