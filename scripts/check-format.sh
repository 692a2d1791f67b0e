#!/usr/bin/env bash
# Fails when a C++ file is not laid out as .clang-format says; with --fix, lays them out.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(--dry-run --Werror)
[ "${1:-}" = --fix ] && mode=(-i)
git ls-files -- 'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' 'tests/*.h' | xargs clang-format "${mode[@]}"
