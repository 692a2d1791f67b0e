#!/usr/bin/env bash
# The Windows console build of lorvel under Wine: a file compressed and expanded back
# byte for byte, the check's exit status for a medium with a missing file, and a dry
# run with its uninstall on the simulated machine, names with the trail byte 0x5C
# included, reported as the host build reports it when that build is given.
#   tool-under-wine.sh <lorvel.exe> [host lorvel]
set -euo pipefail
tool=$1
host_tool=${2:-}
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

# The dry run: a Japanese setup folder, registry key and shortcut, and a medium file
# with a Japanese name.
dry=$work/dry
mkdir -p "$dry"
printf 'read me\r\n' > "$dry/説明.TXT"
printf 'MZ app\r\n' > "$dry/APP.EXE"
iconv -f UTF-8 -t CP932 <<'SCRIPT' | sed 's/$/\r/' > "$dry/SETUP.INI"
[Title]
Setup=表示テスト
UnSetup=表示テスト
[DefaultFolder]
Folder=C:\Program Files\表示テスト
[CopyFile]
File1=(App)説明.TXT
File2=(App)APP.EXE
[ShortCut]
Make1=(App)APP.EXE
Name1=(Sta)表示テスト\ソフト
[Registry]
Key1=(Cuser)\Software\ソフト表\
Name1=Folder
Value1=(Str)(App)
[DeleteRegistry]
Key1=(Cuser)Software\ソフト表
SCRIPT
for format in text json; do
  status=0
  wine 'C:\lorvel-tool-test\lorvel.exe' dry-run 'C:\lorvel-tool-test\dry' --uninstall --format $format \
    > "$work/dry.$format.raw" 2> "$work/dry.err" || status=$?
  [ "$status" -eq 0 ] || { echo "tool-under-wine: dry-run --format $format gave $status: $(cat "$work/dry.err")" >&2; exit 1; }
  tr -d '\r' < "$work/dry.$format.raw" > "$work/dry.$format"
done
# The text is for the console (code page 932); JSON is UTF-8 wherever it is made.
iconv -f CP932 -t UTF-8 "$work/dry.text" > "$work/dry.text.utf8"
expect() {
  grep -qF -- "$2" "$work/$1" || { echo "tool-under-wine: dry-run $1 lacks: $2" >&2; exit 1; }
}
expect dry.text.utf8 'C:\Program Files\表示テスト\説明.TXT (9 bytes, added, from disk 1: 説明.TXT)'
expect dry.text.utf8 'ソフト.lnk -> C:\Program Files\表示テスト\APP.EXE'
expect dry.text.utf8 '[HKEY_CURRENT_USER\Software\ソフト表] (key removed)'
expect dry.json '"path": "C:\\Program Files\\表示テスト\\説明.TXT"'
if [ -n "$host_tool" ] && [ -x "$host_tool" ]; then
  for format in text json; do
    "$host_tool" dry-run "$dry" --uninstall --format $format > "$work/host.$format"
  done
  diff -u "$work/host.text" "$work/dry.text.utf8" >&2 || { echo "tool-under-wine: the dry run's text differs from the host build's" >&2; exit 1; }
  diff -u "$work/host.json" "$work/dry.json" >&2 || { echo "tool-under-wine: the dry run's JSON differs from the host build's" >&2; exit 1; }
else
  echo "tool-under-wine: no host build of lorvel given; the dry run is checked by its own lines only"
fi
echo "tool-under-wine: passed"
