#!/usr/bin/env bash
# The LZ expansion SETUP.EXE uses (the system's LZ32 under Wine) against our own
# expander and Debian's msexpand, on one compressed file of 64 MB of text-like data.
#   bench/lz-throughput.sh      LORVEL_LZ_MB=64  LORVEL_BENCH_REPEAT=3 (each figure the least)
# Run after a windows64 (or windows) build; the host build's lorvel adds a row when it
# is there. Every output is compared with the original; a difference fails the run.
#
# lz_throughput times itself inside the Wine process, so those rows leave out Wine's
# process start-up; "lorvel.exe expand" is the same expander timed from the shell,
# start-up and all, which is what a person running the tool waits for.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/wine-env.sh
wine_prefix_ready
tree=build/windows
[ "$LORVEL_WINE_ARCH" = win64 ] && tree=build/windows64
host_tool=build/host/tools/lorvel/lorvel
megabytes=${LORVEL_LZ_MB:-64}
repeat=${LORVEL_BENCH_REPEAT:-3}
command -v mscompress >/dev/null && command -v msexpand >/dev/null ||
  { echo "lz-throughput: mscompress and msexpand are missing (Debian package mscompress)" >&2; exit 1; }

c=$WINEPREFIX/drive_c
work=$c/bench-lz
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
cp "$tree/tests/lz_throughput.exe" "$tree/tests/bare_loop.exe" "$tree/tools/lorvel/lorvel.exe" "$work/"

# Words and line ends in a seeded random order: about 6:1, with matches of every
# length throughout the window, so each expander runs mostly its copying path.
python3 - "$work/big.dat" "$megabytes" <<'PY'
import random, sys
random.seed(7)
words = [b"setup ", b"install ", b"file ", b"folder ", b"registry ", b"\r\n", b"data ", b"0123 "]
size = int(sys.argv[2]) << 20
parts, n = [], 0
while n < size:
    w = words[random.getrandbits(3)]
    parts.append(w)
    n += len(w)
open(sys.argv[1], "wb").write(b"".join(parts)[:size])
PY
mscompress "$work/big.dat" >/dev/null
compressed=$work/big.dat_
bytes=$(stat -c %s "$work/big.dat")

now() { date +%s.%N; }
least() { printf '%s\n' "$@" | sort -g | head -1; }
same() { cmp -s "$work/big.dat" "$1" || { echo "lz-throughput: $2 gave a different file" >&2; exit 1; }; }

# A held session: every timed Wine program starts into a running server and desktop.
coproc HOLDER { wine 'C:\bench-lz\bare_loop.exe' hold; }
holder_pid=$HOLDER_PID
holder_input=${HOLDER[1]}
read -r _ <&"${HOLDER[0]}" || { echo "lz-throughput: bare_loop could not hold the Wine session" >&2; exit 1; }
trap 'eval "exec $holder_input>&-"; wait "$holder_pid" || true; rm -rf "$work"' EXIT

inside() {  # an lz_throughput verb: the seconds it measured itself
  local verb=$1 out
  rm -f "$work/out.$verb"
  out=$(wine 'C:\bench-lz\lz_throughput.exe' "$verb" 'C:\bench-lz\big.dat_' "C:\\bench-lz\\out.$verb" | tr -d '\r')
  same "$work/out.$verb" "$verb"
  awk -v ms="${out#* }" 'BEGIN { printf "%.3f", ms / 1000 }'
}
wall() {  # wall <output file> <command ...>: the command's seconds from the shell
  local start
  rm -f "$1"
  shift
  start=$(now)
  "$@" >/dev/null
  awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'
}

declare -A times
for _ in $(seq 1 "$repeat"); do
  times[lz32]+=" $(inside lz32)"
  times[ours]+=" $(inside ours)"
  times[exe]+=" $(wall "$work/out.exe" wine 'C:\bench-lz\lorvel.exe' expand -f -o 'C:\bench-lz\out.exe' 'C:\bench-lz\big.dat_')"
  same "$work/out.exe" "lorvel.exe expand"
  # msexpand writes a byte per system call (about 0.5 MB/s): one run says enough.
  if [ -z "${times[msexpand]:-}" ]; then
    times[msexpand]=$(wall "$work/out.msexpand" sh -c 'msexpand < "$1" > "$2"' - "$compressed" "$work/out.msexpand")
    same "$work/out.msexpand" msexpand
  fi
  if [ -x "$host_tool" ]; then
    times[host]+=" $(wall "$work/out.host" "$host_tool" expand -f -o "$work/out.host" "$compressed")"
    same "$work/out.host" "host lorvel expand"
  fi
done

lz32=$(least ${times[lz32]})
printf '%d MB (%d bytes) compressed to %d bytes, the least of %d runs\n' "$megabytes" "$bytes" \
  "$(stat -c %s "$compressed")" "$repeat"
printf '%-44s %9s %9s %12s\n' expander seconds MB/s "against LZ32"
row() {
  local t
  t=$(least ${times[$1]})
  printf '%-44s %8ss %9.1f %12.2f\n' "$2" "$t" "$(awk -v t="$t" -v m="$megabytes" 'BEGIN { print m / t }')" \
    "$(awk -v t="$t" -v l="$lz32" 'BEGIN { print l / t }')"
}
row lz32 "system LZ32 (LZCopy), as SETUP.EXE, in Wine"
row ours "our expander, Windows build, in Wine"
row exe "lorvel.exe expand, in Wine, with start-up"
host_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' build/host/CMakeCache.txt 2>/dev/null || true)
[ -n "${times[host]:-}" ] && row host "lorvel expand, host build (${host_type:-?})"
row msexpand "msexpand (mscompress), host, one run"
