#!/usr/bin/env bash
# Every test: the code's layout, native unit and contract tests (also under ASan and UBSan), the contract
# and differential tests cross-built under Wine, the e2e scenarios of the real
# SETUP.EXE under Wine, and the fuzz targets for a bounded time.
# The shipping 32-bit SETUP.EXE runs its Wine tests in a 64-bit prefix (WoW64), as
# on the 64-bit Windows most users have; where the kernel cannot run 32-bit programs,
# Wine's 32-bit processes run under qemu-i386. The 64-bit build runs them too, in a
# prefix of its own, and where the kernel runs 32-bit programs natively, so does a
# pure 32-bit prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
machine=$(scripts/wine-arch.sh)
./scripts/setup-machine.sh
./scripts/check-format.sh
./scripts/build.sh host host-asan windows windows64
ctest --preset host
ASAN_OPTIONS=detect_leaks=1 ctest --preset host-asan
echo "run-tests: the 32-bit build, under WoW64 in a 64-bit prefix$([ "$machine" = win64 ] && echo ', its 32-bit processes emulated')"
ctest --preset windows
if [ "$machine" = win32 ]; then
  echo "run-tests: the 32-bit build again, in a pure 32-bit prefix"
  LORVEL_WINE_ARCH_FORCE=win32 ctest --preset windows -LE binary
fi
echo "run-tests: the 64-bit build, in a 64-bit prefix"
ctest --preset windows64
# The profile parser, the macro expansion, the SZDD expander, the uninstall of a fuzzed
# record and the install of a fuzzed script under libFuzzer, a bounded time each.
tests/fuzz/run-fuzz.sh 20
