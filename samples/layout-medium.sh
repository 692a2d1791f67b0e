#!/usr/bin/env bash
# Lays out an installation medium with lorvel pack: SETUP.EXE beside the script, which
# pack converts to Shift-JIS with CR LF, and the files the script copies, compressed
# the conventional way where that saves space (SAMPLE.DAT -> SAMPLE.DA_, "T" kept in
# its header). Text files are kept in UTF-8 here and reach the medium in Shift-JIS,
# as script authors ship them.
#   layout-medium.sh <sample folder> <SETUP.EXE> <medium folder>
# The tool is build/host/tools/lorvel/lorvel unless LORVEL_TOOL names another.
set -euo pipefail
sample=$1
setup_exe=$2
medium=$3
lorvel=${LORVEL_TOOL:-$(cd "$(dirname "$0")/.." && pwd)/build/host/tools/lorvel/lorvel}
[ -x "$lorvel" ] || { echo "layout-medium: $lorvel is missing: build it with cmake --build --preset host --target lorvel" >&2; exit 1; }
sources=$(mktemp -d)
trap 'rm -rf "$sources"' EXIT
to_sjis() { iconv -f UTF-8 -t CP932 "$1" | sed 's/$/\r/' > "$2"; }
for file in "$sample"/files/* "$sample"/compress/*; do
  [ -e "$file" ] || continue
  case "$file" in
    *.TXT|*.INI) to_sjis "$file" "$sources/$(basename "$file")" ;;
    *) cp "$file" "$sources/" ;;
  esac
done
# Exit status 1 is a medium packed with warnings; they are printed, and the medium is whole.
status=0
"$lorvel" pack "$sample/SETUP.INI" "$sources" "$medium" --setup-exe "$setup_exe" --force >/dev/null || status=$?
[ "$status" -le 1 ] || exit "$status"
