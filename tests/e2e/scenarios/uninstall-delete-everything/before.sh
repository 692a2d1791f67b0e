# The user's own files, in the folder before the install and below a folder it makes.
rm -rf "$c_drive/e2e-everything"; mkdir -p "$c_drive/e2e-everything/DATA/DEEP"
printf 'mine\r\n' > "$c_drive/e2e-everything/USER.DAT"
printf 'deep\r\n' > "$c_drive/e2e-everything/DATA/DEEP/NOTES.TXT"
