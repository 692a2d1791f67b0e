#!/usr/bin/env bash
# The real SETUP.EXE under Wine installing 1,000 small files with SetupSpeed=1,
# to its completion message, against cp -r of the same tree. Run after a windows (or, without
# 32-bit Wine, windows64) build: bench/wine-copy-bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/wine-env.sh
wine_prefix_ready
# A 64-bit prefix (a machine without 32-bit Wine) runs the 64-bit build.
tree=build/windows
[ "$LORVEL_WINE_ARCH" = win64 ] && tree=build/windows64
count=${1:-1000}
medium=$WINEPREFIX/drive_c/bench-medium
target=$WINEPREFIX/drive_c/bench-target
rm -rf "$medium" "$target" "$target-cp"
wine reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Bench' /f >/dev/null 2>&1 || true
mkdir -p "$medium"
cp "$tree/src/app/SETUP.EXE" "$medium/"
{
  printf '[Title]\r\nSetup=Bench\r\n[Extend]\r\nSetupSpeed=1\r\n[DefaultFolder]\r\nFolder=C:\\bench-target\r\n[CopyFile]\r\n'
  for i in $(seq 1 "$count"); do printf 'File%d=(App)F%d.DAT\r\n' "$i" "$i"; done
} > "$medium/SETUP.INI"
for i in $(seq 1 "$count"); do echo "small file $i" > "$medium/F$i.DAT"; done
mkdir -p "$WINEPREFIX/drive_c/e2e-tools"
cp "$tree/tests/e2e_driver.exe" "$WINEPREFIX/drive_c/e2e-tools/driver.exe"
cat > "$WINEPREFIX/drive_c/e2e-tools/bench.steps" <<'STEPS'
start C:\bench-medium\SETUP.EXE
window "Bench"
click "セットアップ開始(&S)"
answer yes "このフォルダは存在しません．作成してもよろしいですか？"
answer ok "セットアップが完了しました．"
exit 0
STEPS
start=$(date +%s.%N)
wine 'C:\e2e-tools\driver.exe' 'C:\e2e-tools\bench.steps'
end=$(date +%s.%N)
copied=$(find "$target" -name 'F*.DAT' | wc -l)
cp_start=$(date +%s.%N)
cp -r "$medium" "$target-cp"
cp_end=$(date +%s.%N)
setup=$(awk "BEGIN { print $end - $start }")
cp_time=$(awk "BEGIN { print $cp_end - $cp_start }")
echo "SETUP.EXE under Wine: $copied of $count files in ${setup} s (includes start-up, ~$count ms of SetupSpeed pauses and 2.5 s of fixed pauses)"
echo "cp -r of the same tree: ${cp_time} s"
rm -rf "$medium" "$target" "$target-cp"
wine reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Bench' /f >/dev/null 2>&1 || true
