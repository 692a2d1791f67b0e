#!/usr/bin/env bash
# Runs a cross-built program under Wine in the project's prefix (CMake's emulator).
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
wine_prefix_ready
exec wine "$@"
