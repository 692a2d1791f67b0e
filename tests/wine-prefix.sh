#!/usr/bin/env bash
# fresh: a newly booted prefix for this test run; stop: end its server.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
case "${1:-fresh}" in
  fresh) wine_prefix_fresh ;;
  stop) wineserver -k 2>/dev/null || true ;;
esac
