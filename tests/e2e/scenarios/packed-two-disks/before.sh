# The sources are made here: noise that does not compress and text that does, so the
# third file no longer fits on the first disk beside SETUP.EXE.
need_lorvel
rm -rf "$c_drive/e2e-packed" "$c_drive/e2e-pack-src" "$c_drive/e2e-pack-out" "$c_drive/e2e-disks"
src=$c_drive/e2e-pack-src
mkdir -p "$src"
head -c 40000 /dev/urandom > "$src/NOISE1.BIN"
seq 1 3000 | sed 's/$/ line of the first text/' > "$src/TEXT1.TXT"
head -c 30000 /dev/urandom > "$src/NOISE2.BIN"
seq 1 5000 | sed 's/$/ line of the second text/' > "$src/TEXT2.TXT"
exe_sectors=$(( ($(stat -c %s "$setup_exe") + 511) / 512 ))
disk_size=$(( exe_sectors * 512 + 61440 ))
"$lorvel_tool" pack "$scenario/pack/SETUP.INI" "$src" "$c_drive/e2e-pack-out" --setup-exe "$setup_exe" \
  --disk-size "$disk_size" > "$c_drive/e2e-pack-report.txt" || fail "lorvel pack failed: $(cat "$c_drive/e2e-pack-report.txt")"
grep -q ' 2 disks$' "$c_drive/e2e-pack-report.txt" || fail "the medium is not on two disks: $(cat "$c_drive/e2e-pack-report.txt")"
# The first disk is the medium SETUP.EXE starts from; the second waits to be inserted.
cp "$c_drive/e2e-pack-out/DISK1/." "$media/" -r
mkdir -p "$c_drive/e2e-disks"
cp -r "$c_drive/e2e-pack-out/DISK2" "$c_drive/e2e-disks/DISK2"
