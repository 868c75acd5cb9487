#!/usr/bin/env bash
# Builds the console and starts it. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build run
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTANZO_BENCH=OFF >/dev/null
cmake --build build/release --target stanzo
exec build/release/src/app/stanzo "$@"
