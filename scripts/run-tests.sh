#!/usr/bin/env bash
# Every test: native unit and contract tests (also under ASan and UBSan), the contract
# tests cross-built under Wine, and the e2e scenarios of the real SETUP.EXE under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup-machine.sh
./scripts/build.sh host host-asan windows
ctest --preset host
ASAN_OPTIONS=detect_leaks=1 ctest --preset host-asan
ctest --preset windows
