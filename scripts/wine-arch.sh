#!/usr/bin/env bash
# Prints the Wine this machine can run the tests under: win32 where the kernel runs
# 32-bit Linux programs (Debian's 32-bit Wine needs them), else win64. Some
# virtualised kernels have no 32-bit user mode; 32-bit Wine then fails with "Exec
# format error" before its first line of code.
# An i386 program that runs through an emulator registered with binfmt_misc (see
# tests/wow64/register-binfmt.sh) says nothing of the kernel, so such a
# registration answers win64 before the probe is tried.
# The probe is the smallest i386 program, exit(0), written here byte by byte so the
# answer does not depend on what is installed yet: an ELF header, one loadable
# segment, and "mov eax,1; xor ebx,ebx; int 0x80".
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
i386_magic=7f454c4601010100000000000000000002000300
for entry in /proc/sys/fs/binfmt_misc/*; do
  [ -f "$entry" ] && grep -qx enabled "$entry" 2>/dev/null && grep -qx "magic $i386_magic" "$entry" &&
    { echo win64; exit 0; }
done
# Inside the build tree, which must allow running programs anyway (a temporary
# folder may be mounted noexec, which would look like a 64-bit-only kernel).
mkdir -p "$repo/build"
probe=$(mktemp "$repo/build/.i386-probe.XXXXXX")
trap 'rm -f "$probe"' EXIT
printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\135\0\0\0\135\0\0\0\5\0\0\0\0\20\0\0\270\1\0\0\0\61\333\315\200' >"$probe"
chmod +x "$probe"
if "$probe" 2>/dev/null; then echo win32; else echo win64; fi
