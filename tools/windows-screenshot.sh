#!/usr/bin/env bash
# Takes a screenshot of the Windows console under wine for the README.
#
# Usage: tools/windows-screenshot.sh [output.png]   (default: docs/windows.png)
#
# Builds it (scripts/build-windows.sh), starts stanzo.exe in a wine virtual
# desktop on a private Xvfb, so that wine draws the window's frame and title
# bar itself, waits until the window has been drawn, and crops the screen to
# the window's outer rectangle (its design place and size).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$(realpath -m "${1:-docs/windows.png}")
scripts/build-windows.sh >/dev/null
scripts/deps.sh shots

readonly GEOMETRY=781x511+326+249  # outer size and place of the window
dir=$PWD/build/windows/wine
wine_run() { "$root/cmake/wine-run.sh" "$dir" "$@"; }
for n in $(seq 150 199); do [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || break; done
Xvfb ":$n" -screen 0 1200x820x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:$n
wine_run --stop
cleanup() {
  wine_run --stop
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.05; done

work=$(mktemp -d)
cp build/windows/bin/stanzo.exe "$work/"
(cd "$work" && wine_run explorer /desktop=stanzo,1200x820 stanzo.exe) </dev/null >"$work/wine.log" 2>&1 &

# Drawn once the title bar's pixel differs from the desktop's (both drawn
# by wine: before that the screen is black), and the picture stays the same
# for a moment.
pixel() { import -window root -crop "1x1+$1+$2" txt:- 2>/dev/null | tail -1 | awk '{print $3}'; }
last=
for _ in $(seq 150); do
  sleep 0.2
  desktop=$(pixel 5 5) title=$(pixel 340 255)
  [[ -n "$title" && ! "$desktop" =~ ^#0+$ && "$title" != "$desktop" ]] || continue
  sum=$(import -window root -crop "$GEOMETRY" rgb:- 2>/dev/null | md5sum)
  [[ "$sum" == "$last" ]] && break
  last=$sum
done
[[ -n "$last" ]] || { echo "windows-screenshot.sh: no window within 30 s" >&2; exit 1; }
import -window root -crop "$GEOMETRY" +repage "$out"
rm -rf "$work"
echo "$out"
