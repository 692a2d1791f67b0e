#!/usr/bin/env bash
# Where SETUP.EXE's time per file goes under Wine: an unattended install (/SILENT, the
# progress window shown) of N small flat files and of one file, each
#  - under Wine's +timestamp,+relay: every call the program makes itself, counted and
#    timed (bench/relay-calls.py); the N-file run less the one-file run, per file;
#  - without relay: the wall time and the Wine server's CPU time, per file (the
#    program's own process is started apart from the shell's child, so its CPU time
#    is not read here).
#   bench/wine-relay-profile.sh [SETUP.EXE]   LORVEL_PROFILE_FILES=1000  LORVEL_PROFILE_TOP=30
# (another build of SETUP.EXE, an older one say, is profiled beside the same bare loops)
# Run after a windows64 (or windows) build. A diagnostic, not a benchmark: relay
# multiplies every call's cost, so its times rank the calls, they do not price them.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/wine-env.sh
source bench/flat-medium.sh
wine_prefix_ready
tree=build/windows
[ "$LORVEL_WINE_ARCH" = win64 ] && tree=build/windows64
program=${1:-$tree/src/app/SETUP.EXE}
files=${LORVEL_PROFILE_FILES:-1000}
top=${LORVEL_PROFILE_TOP:-30}
c=$WINEPREFIX/drive_c
medium=$c/bench-profile
out=$(mktemp -d)
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Bench'

mkdir -p "$c/bench-profile-tools"
cp "$tree/tests/bare_loop.exe" "$c/bench-profile-tools/"
coproc HOLDER { wine 'C:\bench-profile-tools\bare_loop.exe' hold; }
holder_pid=$HOLDER_PID
holder_input=${HOLDER[1]}
read -r _ <&"${HOLDER[0]}" || { echo "bare_loop could not hold the Wine session" >&2; exit 1; }
trap 'eval "exec $holder_input>&-"; wait "$holder_pid" || true; rm -rf "$out" "$medium" "$c/bench-profile-target" "$c/bench-profile-tools"' EXIT

# This prefix's server: the one whose environment names it.
server=
for pid in $(pgrep -x wineserver64 || true) $(pgrep -x wineserver || true); do
  tr '\0' '\n' < "/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && server=$pid
done
[ -n "$server" ] || { echo "no Wine server for $WINEPREFIX" >&2; exit 1; }
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

lay_out() {
  rm -rf "$c/bench-profile-target"
  lay_out_flat_medium "$medium" "$program" "$1" 'C:\bench-profile-target'
}
fresh() {
  wine reg delete "$key" /f >/dev/null 2>&1 || true
  rm -rf "$c/bench-profile-target"
  rm -f "$c/windows/UNKORAT.EXE"
}

# count: relay summary to $out/relay.<count>, "wall server" seconds to $out/cpu.<count>
measure() {
  local count=$1 start end before after hz
  lay_out "$count"
  fresh
  WINEDEBUG=+timestamp,+relay wine 'C:\bench-profile\SETUP.EXE' /SILENT 2>&1 >/dev/null |
    python3 bench/relay-calls.py > "$out/relay.$count"
  [ "$(find "$c/bench-profile-target" -name 'F*.DAT' | wc -l)" = "$count" ] || { echo "the traced install copied too few files" >&2; exit 1; }
  fresh
  hz=$(getconf CLK_TCK)
  before=$(ticks "$server")
  start=$(date +%s.%N)
  wine 'C:\bench-profile\SETUP.EXE' /SILENT >/dev/null 2>&1
  end=$(date +%s.%N)
  after=$(ticks "$server")
  awk -v s="$start" -v e="$end" -v b="$before" -v a="$after" -v hz="$hz" \
    'BEGIN { printf "%.3f %.3f\n", e - s, (a - b) / hz }' > "$out/cpu.$count"
}

measure 1
measure "$files"
fresh

# The same per-file work priced without relay by bare loops on the same files: a
# lookup of a file's attributes, the copy that only creates (CopyFileW failing if the
# file is there), what an existence check and a copy that may replace cost beyond it,
# and the progress window's texts, bar, pending messages and pause.
lay_out "$files"
bare() { wine 'C:\bench-profile-tools\bare_loop.exe' "$@" | tr -d '\r'; }
stat_ms=$(bare stat 'C:\bench-profile' "$files")
mkdir -p "$c/bench-profile-target"
copy_ms=$(bare copy 'C:\bench-profile' 'C:\bench-profile-target' "$files")
rm -rf "$c/bench-profile-target"; mkdir -p "$c/bench-profile-target"
copy_new_ms=$(bare copynew 'C:\bench-profile' 'C:\bench-profile-target' "$files")
read -r texts_ms bar_ms messages_ms sleep_ms <<< "$(bare window "$files")"
fresh
n=$((files - 1))
read -r w1 s1 < "$out/cpu.1"
read -r wn sn < "$out/cpu.$files"
printf 'SETUP.EXE /SILENT, %d files less 1 file, per file (no relay):\n' "$files"
awk -v n="$n" -v w="$wn" -v w1="$w1" -v s="$sn" -v s1="$s1" 'BEGIN {
  printf "  wall %.3f ms   Wine server CPU %.3f ms   the rest (program, pauses, waiting) %.3f ms\n",
    (w - w1) * 1000 / n, (s - s1) * 1000 / n, ((w - w1) - (s - s1)) * 1000 / n }'
# How often the program makes a call per file, from the relay counts: each bare price
# below is weighed by it, since the progress window refreshes only every few files.
per_file() {
  awk -v n="$n" -v call="$1" 'FNR == NR { if ($1 == call) b = $2; next }
    $1 == call { a = $2 } END { printf "%.3f", (a - b) / n }' "$out/relay.1" "$out/relay.$files"
}
awk -v n="$files" -v w="$wn" -v w1="$w1" -v st="$stat_ms" -v cp="$copy_ms" -v cpn="$copy_new_ms" -v tx="$texts_ms" -v bar="$bar_ms" \
    -v msg="$messages_ms" -v sl="$sleep_ms" -v lookups="$(per_file KERNEL32.GetFileAttributesExW)" \
    -v texts="$(per_file user32.SetWindowTextW)" -v bars="$(per_file user32.SendMessageW)" \
    -v copies="$(per_file KERNEL32.CopyFileW)" -v checks="$(per_file KERNEL32.GetFileAttributesW)" \
    -v peeks="$(per_file user32.PeekMessageW)" -v sleeps="$(per_file KERNEL32.Sleep)" 'BEGIN {
  wall = (w - w1) * 1000 / (n - 1)
  printf "\npriced by bare loops, ms per file: the price of one call (or one copy) times the calls per file\n"
  printf "(counted in the traced run, which is slower, so the window, refreshed by the clock, is counted high)\n"
  printf "  %-44s %7s %7s %7s\n", "", "each", "a file", "ms"
  row("attributes lookup (GetFileAttributesExW)", st / n, lookups)
  row("copy that only creates (CopyFileW)", cpn / n, copies)
  row("check and replacing copy, beyond that", (cp - cpn) / n, checks)
  row("label text (SetWindowTextW)", tx / n / 2, texts)
  row("bar position (PBM_SETPOS)", bar / n, bars)
  row("pending messages (PeekMessageW, paints)", msg / n / 2, peeks)
  row("pause (Sleep(1))", sl / n, sleeps)
  printf "  %-44s %23.3f\n", "sum", known
  printf "  %-44s %23.3f\n", "SETUP.EXE wall per file", wall
  printf "  %-44s %23.3f\n", "left: the program'"'"'s own work and the unpriced", wall - known
}
function row(name, each, times) { printf "  %-44s %7.3f %7.2f %7.3f\n", name, each, times, each * times; known += each * times }'
printf '\nthe calls the program makes, per file (under relay), the largest time first:\n'
printf '  %-44s %10s %12s\n' call calls/file "relay ms/file"
awk -v n="$n" -v top="$top" '
  FNR == NR { base[$1] = $2; baseMs[$1] = $3; next }
  { per = ($2 - base[$1]) / n; ms = ($3 - baseMs[$1]) / n; if (per > 0.005 || ms > 0.005) printf "  %-44s %10.2f %12.3f\n", $1, per, ms }
' "$out/relay.1" "$out/relay.$files" | sort -k3 -g -r | head -n "$top"
awk -v n="$n" 'FNR == NR { b += $2; bm += $3; next } { a += $2; am += $3 }
  END { printf "  %-44s %10.2f %12.3f\n", "in all", (a - b) / n, (am - bm) / n }' "$out/relay.1" "$out/relay.$files"
