target=$c_drive/e2e-packed
script=$(iconv -f CP932 -t UTF-8 < "$media/SETUP.INI" | tr -d '\r')
grep -qx 'File2=(App)TEXT1.TX_' <<< "$script" || fail "pack did not name the compressed TEXT1.TX_: $script"
grep -qx 'File3=(Dch)(App)DATA\\NOISE2.BIN' <<< "$script" || fail "no disk change where the second disk begins: $script"
for file in NOISE1.BIN TEXT1.TXT DATA/NOISE2.BIN DATA/TEXT2.TXT; do
  cmp -s "$target/$file" "$c_drive/e2e-pack-src/$(basename "$file")" || fail "$file does not match its source"
done
rm -rf "$target" "$c_drive/e2e-pack-src" "$c_drive/e2e-pack-out" "$c_drive/e2e-disks" "$c_drive/e2e-pack-report.txt"
