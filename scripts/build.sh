#!/usr/bin/env bash
# Configures and builds the given presets (host, host-asan, windows).
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in "$@"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j 2
done
