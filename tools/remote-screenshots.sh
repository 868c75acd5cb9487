#!/usr/bin/env bash
# Retakes docs/remote.png (the phone remote, 390 x 844) and docs/monitor.png
# (the singers' monitor, 1280 x 720) from the pages test in headless
# Chromium. Usage: tools/remote-screenshots.sh [build dir (build/dev)]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
cmake --build "$build" --target remote_page_test
STANZO_REMOTE_SHOTS="$PWD/docs" QT_QPA_PLATFORM=offscreen \
  "$build/tests/remote/remote_page_test" theReadmePictures
ls -l docs/remote.png docs/monitor.png
