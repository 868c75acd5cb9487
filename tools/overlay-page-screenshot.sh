#!/usr/bin/env bash
# Renders a picture of the overlay page over a background picture, as
# streaming software composites it: starts stanzo-stage --headless --http,
# sends a sample slide over TCP as the console would (no init: the stage's
# own starting layout), takes a transparent screenshot of the page with
# headless Chromium, and lays it over a generated picture.
#
# Usage: tools/overlay-page-screenshot.sh [OUTPUT.png]   (default docs/overlay-page.png)
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-docs/overlay-page.png}
scripts/deps.sh build shots browser
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTANZO_BENCH=OFF >/dev/null
cmake --build build/release --target stanzo-stage

source tools/stage-lib.sh
start_stage '^Overlay page at' --headless --listen 127.0.0.1:0 --http 127.0.0.1:0
url=$(sed -n 's/^Overlay page at \(http:.*\)$/\1/p' "$work/stdout")
[[ -n "$port" && -n "$url" ]] || { echo "overlay-page-screenshot: the stage did not start" >&2; exit 1; }

commands=(
  "@m1 marq-marquee Morning light, the kettle sings"
  "@m2 marq-marquee A tune to wake the sleepy town"
)
send_to_stage "${commands[@]}"

# As root Chromium needs --no-sandbox. The feed never ends, so a virtual
# time budget would wait on it forever; --timeout stops the load instead.
# The shot may come before the first event has been drawn: retake it until
# the transparent page shows something, a few times at most.
shown() { [[ $(/usr/bin/convert "$work/page.png" -alpha extract -format '%[fx:maxima]' info:) != 0 ]]; }
for _ in 1 2 3 4 5; do
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --hide-scrollbars --window-size=1280,720 \
    --default-background-color=00000000 --timeout=3000 \
    --screenshot="$work/page.png" "$url" 2>/dev/null
  shown && break
done
shown || { echo "overlay-page-screenshot: the page stayed empty" >&2; exit 1; }
/usr/bin/convert -size 1280x720 radial-gradient:'#b06a3a'-'#141428' \
  -distort SRT '0,0 1.0 0 560,500' "$work/picture.png"
/usr/bin/convert "$work/picture.png" "$work/page.png" -composite -strip -colors 128 \
  -dither None "PNG8:$out"
echo "Saved $out"
