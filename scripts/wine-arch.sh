#!/usr/bin/env bash
# Prints the Wine this machine can run the tests under: win32 where the kernel runs
# 32-bit Linux programs (Debian's 32-bit Wine needs them), else win64. Some
# virtualised kernels have no 32-bit user mode; 32-bit Wine then fails with "Exec
# format error" before its first line of code.
# The probe is the smallest i386 program, exit(0), written here byte by byte so the
# answer does not depend on what is installed yet: an ELF header, one loadable
# segment, and "mov eax,1; xor ebx,ebx; int 0x80".
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
# Inside the build tree, which must allow running programs anyway (a temporary
# folder may be mounted noexec, which would look like a 64-bit-only kernel).
mkdir -p "$repo/build"
probe=$(mktemp "$repo/build/.i386-probe.XXXXXX")
trap 'rm -f "$probe"' EXIT
printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\135\0\0\0\135\0\0\0\5\0\0\0\0\20\0\0\270\1\0\0\0\61\333\315\200' >"$probe"
chmod +x "$probe"
if "$probe" 2>/dev/null; then echo win32; else echo win64; fi
