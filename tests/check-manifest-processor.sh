#!/usr/bin/env bash
# The program's embedded manifest must name the processor its PE header was built
# for: Windows refuses to start a program whose own assembly identity names another
# (a side-by-side error), while Wine does not check, so no test under Wine would see it.
#   check-manifest-processor.sh <program.exe> <assembly name>
set -euo pipefail
program=$1
assembly=$2

u16() { od -An -t u2 -j "$2" -N 2 "$1" | tr -d ' '; }
u32() { od -An -t u4 -j "$2" -N 4 "$1" | tr -d ' '; }

header=$(u32 "$program" 60)
[ "$(od -An -c -j "$header" -N 2 "$program" | tr -d ' ')" = PE ] || { echo "$program: no PE header" >&2; exit 1; }
case $(u16 "$program" $((header + 4))) in
  332) built=x86 ;;      # 0x014c, i386
  34404) built=amd64 ;;  # 0x8664, x86-64
  *) echo "$program: unknown machine type" >&2; exit 1 ;;
esac

identity=$(grep -a -o "<assemblyIdentity[^>]*name=\"$assembly\"[^>]*>" "$program" | head -n 1 || true)
[ -n "$identity" ] || { echo "$program: no manifest identity for $assembly" >&2; exit 1; }
named=$(sed -n 's/.*processorArchitecture="\([^"]*\)".*/\1/p' <<<"$identity")
if [ "$named" != "$built" ]; then
  echo "$program: built for $built, but its manifest names processorArchitecture=\"$named\"" >&2
  exit 1
fi
echo "$program: $built, and its manifest says so"
