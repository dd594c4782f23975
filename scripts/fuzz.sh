#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DKYLD_FUZZ=ON -DKYLD_BUILD_TESTS=OFF -DKYLD_BUILD_TOOLS=OFF
cmake --build build-fuzz -j "$(nproc)"

for target in build-fuzz/tools/fuzz/fuzz_*; do
  name=$(basename "$target")
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=tools/fuzz/seeds/${name#fuzz_}
  [ -d "$seeds" ] || seeds=
  echo "== $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -print_final_stats=1 "$corpus" $seeds 2>&1 | tail -n 12
done
