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

display=:78
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
wine_graphics x11
shots=$repo/docs/screenshots
mkdir -p "$shots"
requests=$(mktemp -d)
( while kill -0 "$xvfb_pid" 2>/dev/null; do
    for request in "$requests"/*.snap-request; do
      [ -e "$request" ] || continue
      shot=$(basename "$request" .snap-request)
      import -display "$display" -window root "$shots/$shot.png"
      rm -f "$request"
    done
    sleep 0.2
  done ) &
trap 'kill $xvfb_pid 2>/dev/null || true; wine_graphics null' EXIT
LORVEL_SNAP_DIR=$requests tests/e2e/run-scenario.sh "tests/e2e/scenarios/$name" "$tree/src/app/SETUP.EXE" \
  "$tree/tests/e2e_driver.exe" "$tree/tests"
