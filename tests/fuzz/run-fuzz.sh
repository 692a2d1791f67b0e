#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (and ASan/UBSan) and runs each for a
# bounded time: run-fuzz.sh [seconds per target].
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
seconds=${1:-20}
out=$repo/build/fuzz
mkdir -p "$out"
util=("$repo/src/util/MBUtils.cpp" "$repo/src/util/StrOp.cpp" "$repo/src/util/ProfileDocument.cpp"
      "$repo/src/util/FolderMacros.cpp")
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$repo/src")
for target in ProfileFuzz MacroFuzz; do
  clang++ "${flags[@]}" "$here/$target.cpp" "${util[@]}" -o "$out/$target"
  mkdir -p "$out/$target.corpus"
  cp "$here"/corpus/* "$out/$target.corpus/" 2>/dev/null || true
  (cd "$out" && "./$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=0 \
      "$target.corpus" 2>&1 | tail -3)
done
