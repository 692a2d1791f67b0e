# A single file whose carried part lost its last 4 KB on the way (a download cut
# short), started as SETUP.EXE from a folder holding nothing else.
need_lorvel
src=$c_drive/e2e-damaged-src
rm -rf "$src"
mkdir -p "$src"
head -c 200000 /dev/urandom > "$src/DATA.BIN"
printf '%s\r\n' '[Title]' 'Setup=壊れたファイル' '[DefaultFolder]' 'Folder=C:\e2e-damaged' '[CopyFile]' 'File1=(App)DATA.BIN' |
  iconv -f UTF-8 -t CP932 > "$src/SETUP.INI"
"$lorvel_tool" pack "$src/SETUP.INI" "$src" --single-file "$src/SINGLE.EXE" --setup-exe "$setup_exe" >/dev/null ||
  fail "lorvel pack --single-file failed"
head -c $(( $(stat -c %s "$src/SINGLE.EXE") - 4096 )) "$src/SINGLE.EXE" > "$media/SETUP.EXE"
rm -rf "$src" "$c_drive/e2e-damaged"
