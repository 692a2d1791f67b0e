# A folder every account may write (Wine reads access from the Unix mode), holding a
# library somebody left under the name the script copies, dated 2099.
rm -rf "$c_drive/e2e-open" "$c_drive/e2e-planted" "$c_drive/e2e-open.log"
cp "$components/component_ok.dll" "$media/A.DLL"
mkdir -p "$c_drive/e2e-open"
cp "$components/planted_VERSION.dll" "$c_drive/e2e-open/A.DLL"
touch -d 2099-01-01 "$c_drive/e2e-open/A.DLL"
chmod 0777 "$c_drive/e2e-open"
