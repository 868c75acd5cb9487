#!/usr/bin/env bash
# Builds everything and runs the whole test suite: a warning-free build and
# its tests (the VLC integration tests among them), the Debian package and
# its checks, the Windows build and its tests under wine, a short bounded
# fuzzing run, then the suite again under AddressSanitizer +
# UndefinedBehaviorSanitizer. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build test vlc browser package
# The overlay page test fails, rather than skips, without a browser here.
export STANZO_REQUIRE_BROWSER=1

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== Build (-Wall -Wextra -Werror) and test"
cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTANZO_WERROR=ON
cmake --build build/ci -j "$jobs"
ctest --test-dir build/ci --output-on-failure -j "$jobs"

echo "== Debian package from the same build: its file list and lintian"
scripts/package.sh build/ci

echo "== Windows: cross-built with mingw-w64, tested under wine"
scripts/test-windows.sh

if [[ -f fuzz/run.sh ]]; then
  echo "== Fuzzing (bounded)"
  fuzz/run.sh
fi

echo "== Build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSTANZO_WERROR=ON \
  -DSTANZO_SANITIZE=ON -DSTANZO_BENCH=OFF
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"
