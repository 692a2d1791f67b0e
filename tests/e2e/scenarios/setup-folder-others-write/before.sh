# A folder every account may write, made before the install, holding a library
# somebody left under the name the script copies, dated 2099 so the newer-file rule
# would keep it. Wine reads a folder's access from its Unix mode: 0777 lets everyone in.
rm -rf "$c_drive/e2e-open" "$c_drive/e2e-planted" "$c_drive/e2e-open.log"
cp "$components/component_ok.dll" "$media/A.DLL"
mkdir -p "$c_drive/e2e-open"
cp "$components/planted_VERSION.dll" "$c_drive/e2e-open/A.DLL"
touch -d 2099-01-01 "$c_drive/e2e-open/A.DLL"
chmod 0777 "$c_drive/e2e-open"
