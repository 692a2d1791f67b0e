#!/usr/bin/env bash
# Lets a kernel without 32-bit user mode run i386 programs through qemu-i386, so that
# Wine's 32-bit processes can start. Debian's qemu registrations leave the host's own
# family out, so this one is made here; the fix-binary flag opens the emulator once,
# which keeps it usable inside other mount namespaces.
# The emulator is qemu 10 (Debian's bookworm-backports): qemu 7.2 takes
# MAP_FIXED_NOREPLACE for a hint, which costs a minute at every 32-bit process start,
# and hands Wine's handler every page fault with the trap number -1, so a 32-bit
# thread's stack cannot grow and the shell's link object crashes.
# Nothing is done on a kernel that runs i386 programs itself: a registration would
# take precedence over the native loader there. Needs root.
set -euo pipefail
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/lorvel-qemu-i386
emulator=/usr/bin/qemu-i386
[ -d "$binfmt" ] || { echo "wow64: this kernel has no binfmt_misc" >&2; exit 1; }
[ -f "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
[ -x "$emulator" ] || { echo "wow64: $emulator is missing (Debian's qemu-user from bookworm-backports)" >&2; exit 1; }
if [ -f "$entry" ]; then
  if grep -qx "interpreter $emulator" "$entry"; then
    grep -qx enabled "$entry" || echo 1 > "$entry"
    exit 0
  fi
  echo -1 > "$entry"  # made for another emulator
fi
# The ELF header of an i386 executable, and which of its bits to compare, as qemu's
# own registrations give them.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
printf '%s' ":lorvel-qemu-i386:M::$magic:$mask:$emulator:F" > "$binfmt/register"
