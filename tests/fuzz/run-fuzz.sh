#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (and ASan/UBSan) and runs each for a
# bounded time from its seeds in tests/fuzz/corpus/<target>/: run-fuzz.sh [seconds per target].
# What a run adds to the corpus stays in build/fuzz; the seeds in the repository stay as they are.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
seconds=${1:-20}
out=$repo/build/fuzz
mkdir -p "$out/obj"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -I"$repo/src")
# The engine's sources, built once for every target and again only when they change.
# Clang has no Shift-JIS execution set, so the program's Japanese literals are UTF-8
# here; no target compares them, and the simulated machine is given ASCII folders.
# The simulated machine's host calls are the POSIX ones here.
sources=("$repo"/src/util/*.cpp "$repo"/src/platform/Registry.cpp "$repo"/src/platform/virtual/Virtual*.cpp
         "$repo"/src/platform/virtual/HostAccessPosix.cpp
         "$repo"/src/run/*.cpp "$repo"/src/uninstall/*.cpp "$repo"/src/install/*.cpp)
newest_header=$(find "$repo/src" -name '*.h' -printf '%T@\n' | sort -n | tail -1)
objects=()
for source in "${sources[@]}"; do
  object=$out/obj/$(basename "$(dirname "$source")")_$(basename "$source" .cpp).o
  objects+=("$object")
  if [ -e "$object" ] && [ "$object" -nt "$source" ] &&
     [ "$(stat -c %Y "$object")" -gt "${newest_header%.*}" ]; then
    continue
  fi
  rm -f "$object"
  clang++ "${flags[@]}" -c "$source" -o "$object" &
  if [ "$(jobs -rp | wc -l)" -ge 2 ]; then wait -n || true; fi
done
wait || true
for object in "${objects[@]}"; do
  [ -e "$object" ] || { echo "run-fuzz: $object did not build" >&2; exit 1; }
done
status=0
for target in ProfileFuzz MacroFuzz SzddFuzz UninstallFuzz InstallFuzz; do
  clang++ "${flags[@]}" -fsanitize=fuzzer "$here/$target.cpp" "${objects[@]}" -o "$out/$target"
  mkdir -p "$out/$target.corpus"
  cp "$here/corpus/$target"/* "$out/$target.corpus/"
  echo "== $target"
  if ! (cd "$out" && "./$target" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=1024 -print_final_stats=1 \
          "$target.corpus" >"$target.log" 2>&1); then
    status=1
    tail -40 "$out/$target.log"
  fi
  # The last status line (executions, coverage, features) and the speed.
  grep -E '^#[0-9]+' "$out/$target.log" | tail -1 || true
  grep -E 'stat::average_exec_per_sec' "$out/$target.log" || true
done
exit $status
