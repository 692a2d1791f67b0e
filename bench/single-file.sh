#!/usr/bin/env bash
# What a single file costs the person who starts it: the same medium (one file of
# 100 MB that does not compress) installed /VERYSILENT from a medium folder and from
# the single file, beside a plain copy of the same bytes, each the whole time from the
# shell, and the single file's start-up (unpacking and checking) as its log times it.
#   bench/single-file.sh      LORVEL_SINGLE_MB=100  LORVEL_BENCH_REPEAT=3 (each figure the least)
# Run after a windows (or windows64) build and a host build of lorvel.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/wine-env.sh
wine_prefix_ready
tree=build/windows
[ "$LORVEL_WINE_ARCH" = win64 ] && tree=build/windows64
lorvel=build/host/tools/lorvel/lorvel
[ -x "$lorvel" ] || { echo "single-file: build lorvel first (cmake --build --preset host --target lorvel)" >&2; exit 1; }
megabytes=${LORVEL_SINGLE_MB:-100}
repeat=${LORVEL_BENCH_REPEAT:-3}

c=$WINEPREFIX/drive_c
work=$c/bench-single
target=$c/bench-single-target
temp_dir=$c/users/$(whoami)/Temp
rm -rf "$work" "$target"
mkdir -p "$work/src" "$work/copy"
trap 'rm -rf "$work" "$target"' EXIT
cp "$tree/tests/bare_loop.exe" "$work/"
head -c $((megabytes << 20)) /dev/urandom > "$work/src/F1.DAT"
printf '%s\r\n' '[Title]' 'Setup=Single file bench' '[DefaultFolder]' 'Folder=C:\bench-single-target' \
  '[CopyFile]' 'File1=(App)F1.DAT' > "$work/SETUP.INI"
"$lorvel" pack "$work/SETUP.INI" "$work/src" "$work/medium" --compress none --setup-exe "$tree/src/app/SETUP.EXE" >/dev/null
"$lorvel" pack "$work/SETUP.INI" "$work/src" --single-file "$work/SINGLE.EXE" --compress none \
  --setup-exe "$tree/src/app/SETUP.EXE" >/dev/null

coproc HOLDER { wine 'C:\bench-single\bare_loop.exe' hold; }
holder_pid=$HOLDER_PID
holder_input=${HOLDER[1]}
read -r _ <&"${HOLDER[0]}" || { echo "single-file: bare_loop could not hold the Wine session" >&2; exit 1; }
trap 'eval "exec $holder_input>&-"; wait "$holder_pid" || true; rm -rf "$work" "$target"' EXIT

now() { date +%s.%N; }
least() { printf '%s\n' "$@" | sort -g | head -1; }
fresh() { rm -rf "$target" "$temp_dir"/KRTMP* "$work/copy/F1.DAT"; }
install() {  # install <program>: the whole run's seconds; the file must arrive whole
  local start
  fresh
  start=$(now)
  wine "$1" /VERYSILENT '/LOG=C:\bench-single\run.log' >/dev/null 2>&1 || { echo "single-file: $1 failed" >&2; exit 1; }
  awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'
  cmp -s "$target/F1.DAT" "$work/src/F1.DAT" || { echo "single-file: $1 installed a different file" >&2; exit 1; }
}
startup() {  # seconds from the log's first line to the end of start-up
  tr -d '\r' < "$work/run.log" | awk '
    function secs(line) { split(substr(line, 12, 12), t, ":"); return t[1] * 3600 + t[2] * 60 + t[3] }
    NR == 1 { first = secs($0) } /run mode: install/ { printf "%.3f", secs($0) - first; exit }'
}
plain() {
  local start
  fresh
  start=$(now)
  wine 'C:\bench-single\bare_loop.exe' copy 'C:\bench-single\src' 'C:\bench-single\copy' 1 >/dev/null
  awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'
}

declare -A times
for _ in $(seq 1 "$repeat"); do
  times[plain]+=" $(plain)"
  times[folder]+=" $(install 'C:\bench-single\medium\SETUP.EXE')"
  times[folderStart]+=" $(startup)"
  times[single]+=" $(install 'C:\bench-single\SINGLE.EXE')"
  times[singleStart]+=" $(startup)"
done

printf '%d MB carried (%d bytes of single file), %s build, the least of %d runs\n' "$megabytes" \
  "$(stat -c %s "$work/SINGLE.EXE")" "$tree" "$repeat"
printf '%-52s %9s %9s\n' run seconds MB/s
row() {
  local t
  t=$(least ${times[$1]})
  printf '%-52s %8ss %9.1f\n' "$2" "$t" "$(awk -v t="$t" -v m="$megabytes" 'BEGIN { print (t > 0 ? m / t : 0) }')"
}
row plain "plain copy of the same bytes (CopyFileW, in Wine)"
row folder "install /VERYSILENT from the medium folder"
row single "install /VERYSILENT from the single file"
row folderStart "  start-up, medium folder (from its log)"
row singleStart "  start-up, single file: unpack and check (log)"
