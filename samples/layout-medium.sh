#!/usr/bin/env bash
# Lays out an installation medium: SETUP.EXE beside its script and files, with the
# script and text files converted to Shift-JIS as script authors ship them, and the
# files under compress/ LZ-compressed the conventional way (SAMPLE.DAT -> SAMPLE.DA_).
#   layout-medium.sh <sample folder> <SETUP.EXE> <medium folder>
set -euo pipefail
sample=$1
setup_exe=$2
medium=$3
rm -rf "$medium"
mkdir -p "$medium"
cp "$setup_exe" "$medium/SETUP.EXE"
to_sjis() { iconv -f UTF-8 -t CP932 "$1" | sed 's/$/\r/' > "$2"; }
to_sjis "$sample/SETUP.INI" "$medium/SETUP.INI"
for file in "$sample"/compress/*; do
  [ -e "$file" ] || continue
  name=$(basename "$file")
  cp "$file" "$medium/$name"
  (cd "$medium" && mscompress "$name" >/dev/null && rm "$name")
  mv "$medium/${name}_" "$medium/${name%?}_"
  printf '%s' "${name: -1}" | dd of="$medium/${name%?}_" bs=1 seek=9 conv=notrunc status=none
done
for file in "$sample"/files/*; do
  case "$file" in
    *.TXT|*.INI) to_sjis "$file" "$medium/$(basename "$file")" ;;
    *) cp "$file" "$medium/" ;;
  esac
done
