#!/usr/bin/env bash
# Unmarked, a program on a Remote Desktop host gets a Windows folder of the user's own,
# which the user can write. The mark: bit 0x8000 of DllCharacteristics.
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
