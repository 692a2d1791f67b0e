#!/usr/bin/env bash
# The Windows console build of lorvel under Wine: a file compressed and expanded back
# byte for byte, and the check's exit status for a medium with a missing file.
#   tool-under-wine.sh <lorvel.exe>
set -euo pipefail
tool=$1
source "$(dirname "$0")/wine-env.sh"
wine_prefix_ready
work=$WINEPREFIX/drive_c/lorvel-tool-test
rm -rf "$work"
mkdir -p "$work/medium"
trap 'rm -rf "$work"' EXIT
cp "$tool" "$work/lorvel.exe"
seq 1 5000 | sed 's/$/ line of text/' > "$work/DATA.TXT"
cp "$work/DATA.TXT" "$work/ORIGINAL.TXT"
wine 'C:\lorvel-tool-test\lorvel.exe' compress 'C:\lorvel-tool-test\DATA.TXT' >/dev/null
rm "$work/DATA.TXT"
[ -f "$work/DATA.TX_" ] || { echo "tool-under-wine: compress did not write DATA.TX_" >&2; exit 1; }
wine 'C:\lorvel-tool-test\lorvel.exe' expand 'C:\lorvel-tool-test\DATA.TX_' >/dev/null
cmp -s "$work/DATA.TXT" "$work/ORIGINAL.TXT" || { echo "tool-under-wine: expand did not give the file back" >&2; exit 1; }
printf '[CopyFile]\r\nFile1=(App)GONE.TXT\r\n' > "$work/medium/SETUP.INI"
status=0
wine 'C:\lorvel-tool-test\lorvel.exe' check 'C:\lorvel-tool-test\medium' > "$work/check.txt" || status=$?
[ "$status" -eq 2 ] || { echo "tool-under-wine: check gave $status for a missing source, not 2" >&2; exit 1; }
grep -q 'GONE.TXT is not on the medium \[missing-source\]' "$work/check.txt" ||
  { echo "tool-under-wine: unexpected check output: $(cat "$work/check.txt")" >&2; exit 1; }
echo "tool-under-wine: passed"
