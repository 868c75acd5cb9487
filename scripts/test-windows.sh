#!/usr/bin/env bash
# Cross-builds the Windows console and its tests (scripts/build-windows.sh)
# and runs the tests under wine on a private Xvfb. The first start of wine
# is paid once by the ctest fixture "wine_start", not by every test.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
scripts/build-windows.sh
# The pages test opens stanzo.exe's pages in the build machine's browser.
scripts/deps.sh browser
built=$SECONDS
ctest --test-dir build/windows --output-on-failure -j "$(nproc)"
echo "Windows: build $((built - start)) s, tests under wine $((SECONDS - built)) s"
