#!/usr/bin/env bash
# The program runs as administrator from folders other programs can write, and
# Windows takes a library from the program's own folder first unless it is one of
# the system's known DLLs. So the import table may name only known DLLs, and the
# common controls, which the manifest binds to the system's side-by-side copy.
#   check-imports.sh <program.exe> <objdump>
set -euo pipefail
program=$1
objdump=$2

allowed=" ADVAPI32.DLL COMCTL32.DLL COMDLG32.DLL GDI32.DLL IMM32.DLL KERNEL32.DLL MSVCRT.DLL OLE32.DLL \
OLEAUT32.DLL SHELL32.DLL SHLWAPI.DLL USER32.DLL "

imports=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr 'a-z' 'A-Z' | tr -d '\r')
[ -n "$imports" ] || { echo "$program: no import table found" >&2; exit 1; }
bad=()
for dll in $imports; do
  case $allowed in *" $dll "*) ;; *) bad+=("$dll") ;; esac
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "$program imports ${bad[*]}, which Windows would look for beside the program first" >&2
  exit 1
fi
echo "$program imports only: $(echo $imports)"
