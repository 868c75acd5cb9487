#!/usr/bin/env bash
# Renders a picture of the rehearsal stage with a sample slide: starts
# stanzo-stage full screen on a virtual 1280x720 X display, sends the slide
# over TCP as the console would, and saves the screen.
#
# Usage: tools/stage-screenshot.sh [OUTPUT.png]   (default docs/stage.png)
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ -z "${STAGE_SCREENSHOT_DISPLAY:-}" ]]; then
  out=${1:-docs/stage.png}
  scripts/deps.sh build shots
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTANZO_BENCH=OFF >/dev/null
  cmake --build build/release --target stanzo-stage
  mkdir -p "$(dirname "$out")"
  out=$(realpath "$(dirname "$out")")/$(basename "$out")
  # Run the rest of this script again, inside the virtual display.
  STAGE_SCREENSHOT_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x720x24" "$0" "$out"
fi

out=$1
source tools/stage-lib.sh
start_stage '^Listening on' --fullscreen=0 --listen 127.0.0.1:0
[[ -n "$port" ]] || { echo "stage-screenshot: the stage did not start" >&2; exit 1; }

commands=(
  "@m1 marq-position 0" "@m1 marq-size 50" "@m1 marq-refresh 100"
  "@m2 marq-position 8" "@m2 marq-size 20" "@m2 marq-refresh 100"
  "@m3 marq-position 5" "@m3 marq-size 24" "@m3 marq-x 24" "@m3 marq-y 20"
  "@m3 marq-color 0xFFD040" "@m3 marq-marquee Verse 1"
  "@m1 marq-marquee Morning light, the kettle sings\$_A tune to wake the sleepy town"
  "@m2 marq-marquee Then out the door and down the lane"
)
send_to_stage "${commands[@]}"
sleep 1  # let the window repaint
import -window root "$out"
echo "Saved $out"
