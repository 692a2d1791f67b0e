#!/usr/bin/env bash
# On a Remote Desktop host Windows gives a program that is not marked Terminal Server
# aware a Windows folder of the user's own, which the user can write; the program
# would put the shared uninstaller there and point the list of installed programs at
# it. The mark is bit 0x8000 of the optional header's DllCharacteristics.
#   check-tsaware.sh <program.exe> <objdump>
set -euo pipefail
program=$1
objdump=$2
value=$("$objdump" -p "$program" | sed -n 's/^DllCharacteristics[[:space:]]*//p' | head -n1)
[ -n "$value" ] || { echo "$program: no DllCharacteristics found" >&2; exit 1; }
if (( (16#$value & 0x8000) == 0 )); then
  echo "$program is not marked Terminal Server aware (DllCharacteristics $value)" >&2
  exit 1
fi
echo "$program is Terminal Server aware (DllCharacteristics $value)"
