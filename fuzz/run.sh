#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each one for
# a bounded time, starting from its seed corpus in fuzz/corpus/<name>/ (new
# inputs go to build/fuzz/corpus/<name>/, never into the tree). Exits
# non-zero when a target crashes, leaks or trips a sanitizer; the input is
# left in build/fuzz/artifacts/.
# FUZZ_SECONDS sets the time per target (default 20).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-20}
build=build/fuzz
targets=(masks_fuzz line_file_fuzz settings_fuzz songs_fuzz)

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSTANZO_WERROR=ON -DSTANZO_FUZZ=ON -DSTANZO_BENCH=OFF -DSTANZO_SANITIZE=OFF
cmake --build "$build" --target "${targets[@]}"

mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
  name=${target%_fuzz}
  work="$build/corpus/$name"
  mkdir -p "$work"
  echo "== $target: ${seconds}s"
  "$build/fuzz/$target" -max_total_time="$seconds" -max_len=1024 -timeout=20 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
    "$work" "fuzz/corpus/$name"
done
