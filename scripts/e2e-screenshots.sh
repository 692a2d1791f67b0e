#!/usr/bin/env bash
# Runs one e2e scenario under Xvfb and saves a screenshot into docs/screenshots/ at
# each of its "snap" steps, named after the step.
#   scripts/e2e-screenshots.sh <scenario name>
# Needs the Windows-side build of the test command (the kind scripts/wine-arch.sh picks).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
name=$1
LORVEL_WINE_ARCH=${LORVEL_WINE_ARCH:-$(scripts/wine-arch.sh)}
export LORVEL_WINE_ARCH
tree=build/windows
[ "$LORVEL_WINE_ARCH" = win32 ] || tree=build/windows64
source tests/wine-env.sh
wine_prefix_ready

source tests/xvfb-snaps.sh
xvfb_snaps_start :78
LORVEL_SNAP_DIR=$snap_requests tests/e2e/run-scenario.sh "tests/e2e/scenarios/$name" "$tree/src/app/SETUP.EXE" \
  "$tree/tests/e2e_driver.exe" "$tree/tests"
