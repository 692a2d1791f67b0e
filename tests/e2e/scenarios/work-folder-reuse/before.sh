mkdir -p "$temp_dir/KRTMP1" "$temp_dir/KRTMP2/left"
echo old > "$temp_dir/KRTMP2/left/old.txt"
