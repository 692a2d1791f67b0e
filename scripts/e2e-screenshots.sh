#!/usr/bin/env bash
# Runs one e2e scenario under Xvfb and saves a screenshot into docs/screenshots/ at
# each of its "snap" steps, named after the step.
#   scripts/e2e-screenshots.sh <scenario name>
# Needs the 32-bit build of the test command; it runs as in the tests, under WoW64.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
name=$1
export LORVEL_WINE_ARCH=wow64
tree=build/windows
source tests/wine-env.sh
wine_prefix_ready

source tests/xvfb-snaps.sh
xvfb_snaps_start :78
LORVEL_SNAP_DIR=$snap_requests tests/e2e/run-scenario.sh "tests/e2e/scenarios/$name" "$tree/src/app/SETUP.EXE" \
  "$tree/tests/e2e_driver.exe" "$tree/tests"
