#!/usr/bin/env bash
# Every test: native unit and contract tests (also under ASan and UBSan), the contract
# and differential tests cross-built under Wine, the e2e scenarios of the real
# SETUP.EXE under Wine, and the fuzz targets for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-machine.sh
./scripts/build.sh host host-asan windows
ctest --preset host
ASAN_OPTIONS=detect_leaks=1 ctest --preset host-asan
ctest --preset windows
# The profile parser and the macro expansion under libFuzzer, a bounded time each.
tests/fuzz/run-fuzz.sh 20
