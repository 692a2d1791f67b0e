# Another account made the setup folder before the install and left in it a link to
# a folder of the system's, where the script's SUB\A.DLL would land.
rm -rf "$c_drive/e2e-linked" "$c_drive/e2e-system"
mkdir -p "$c_drive/e2e-system" "$c_drive/e2e-linked"
echo "the system's library" > "$c_drive/e2e-system/A.DLL"
ln -s "$c_drive/e2e-system" "$c_drive/e2e-linked/SUB"
