#!/usr/bin/env bash
# Every test: native unit and contract tests (also under ASan and UBSan), the contract
# and differential tests cross-built under Wine, the e2e scenarios of the real
# SETUP.EXE under Wine, and the fuzz targets for a bounded time.
# Where the machine cannot run 32-bit programs, and so not 32-bit Wine, the tests
# under Wine run the 64-bit build in a 64-bit prefix; the 32-bit program is still
# built and its file checked.
set -euo pipefail
cd "$(dirname "$0")/.."
LORVEL_WINE_ARCH=${LORVEL_WINE_ARCH:-$(scripts/wine-arch.sh)}
export LORVEL_WINE_ARCH
./scripts/setup-machine.sh
if [ "$LORVEL_WINE_ARCH" = win32 ]; then
  ./scripts/build.sh host host-asan windows
  wine_preset=windows
else
  ./scripts/build.sh host host-asan windows windows64
  wine_preset=windows64
fi
ctest --preset host
ASAN_OPTIONS=detect_leaks=1 ctest --preset host-asan
if [ "$wine_preset" = windows64 ]; then
  echo "run-tests: this machine cannot run 32-bit programs, so 32-bit Wine cannot start;"
  echo "run-tests: the tests under Wine run the 64-bit build (build/windows64) in a 64-bit prefix."
  # What needs no Wine is checked on the shipping 32-bit build as well.
  ctest --preset windows -L binary
fi
ctest --preset "$wine_preset"
# The profile parser, the macro expansion, the SZDD expander, the uninstall of a fuzzed
# record and the install of a fuzzed script under libFuzzer, a bounded time each.
tests/fuzz/run-fuzz.sh 20
