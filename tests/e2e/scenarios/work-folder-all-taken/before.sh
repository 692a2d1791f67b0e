# Another account has taken every work folder name, the last one with a link to the
# user's documents.
rm -rf "$c_drive/e2e-documents"
mkdir -p "$c_drive/e2e-documents"
echo "my letter" > "$c_drive/e2e-documents/letter.txt"
for n in $(seq 1 98); do mkdir -p "$temp_dir/KRTMP$n"; done
echo "left by another program" > "$temp_dir/KRTMP7/SETUPB.EXE"
ln -s "$c_drive/e2e-documents" "$temp_dir/KRTMP99"
# And a link waiting where a log written by replacing would put its new content first.
rm -f "$c_drive/e2e-all-taken.log.~tmp"
ln -s "$c_drive/e2e-documents/letter.txt" "$c_drive/e2e-all-taken.log.~tmp"
