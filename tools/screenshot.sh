#!/usr/bin/env bash
# Takes a screenshot of the console's main window for the README.
#
# Usage: tools/screenshot.sh [output.png]   (default: docs/console.png)
#
# Builds the console as scripts/run.sh does, starts a copy of it in a fresh
# temporary directory (so the settings, history and text files it writes
# land there, and it shows its built-in defaults) on a virtual X screen
# without a window manager, waits until its window is mapped and has
# settled, and crops the screen to the window. Without a window manager the
# window has no frame: the picture is the client area.
set -euo pipefail
cd "$(dirname "$0")/.."

readonly TITLE="Stanzo  (Cuewright)"

if [[ "${1:-}" == --inside-x ]]; then
  # Second stage, run by xvfb-run: $2 the program copy, $3 the output file.
  exe=$2 out=$3
  work=$(dirname "$exe")
  (cd "$work" && exec "$exe") >"$work/console.log" 2>&1 &
  pid=$!
  trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT

  # The window's id, once it is mapped: poll with a deadline.
  id=
  for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || { echo "screenshot.sh: the console exited:" >&2; cat "$work/console.log" >&2; exit 1; }
    # The title may carry a suffix from the toolkit (the application name).
    id=$(xwininfo -root -tree | awk -v t="\"$TITLE" 'index($0, t) { print $1; exit }')
    if [[ -n "$id" ]] && xwininfo -id "$id" | grep -q "Map State: IsViewable"; then break; fi
    id=
    sleep 0.1
  done
  [[ -n "$id" ]] || { echo "screenshot.sh: no window titled '$TITLE' within 30 s" >&2; exit 1; }

  info=$(xwininfo -id "$id")
  field() { awk -F: -v k="$1" '$1 ~ k { gsub(/ /, "", $2); print $2; exit }' <<<"$info"; }
  geometry="$(field Width)x$(field Height)+$(field "Absolute upper-left X")+$(field "Absolute upper-left Y")"

  # Mapped is not yet painted: grab until two grabs in a row agree (the text
  # cursor blinks, so most but not all pairs do), at most about 10 s.
  grab() { xwd -root -silent | convert xwd:- -crop "$geometry" +repage "png:$1"; }
  grab "$work/a.png"
  for _ in $(seq 40); do
    sleep 0.25
    grab "$work/b.png"
    if cmp -s <(convert "$work/a.png" rgb:-) <(convert "$work/b.png" rgb:-); then break; fi
    mv "$work/b.png" "$work/a.png"
  done
  mkdir -p "$(dirname "$out")"
  cp "$work/a.png" "$out"
  echo "screenshot.sh: wrote $out ($geometry)"
  exit 0
fi

out=$(realpath -m "${1:-docs/console.png}")
scripts/deps.sh build run shots
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTANZO_BENCH=OFF >/dev/null
cmake --build build/release --target stanzo

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp build/release/src/app/stanzo "$work/"
xvfb-run -a -s "-screen 0 1280x800x24" "$0" --inside-x "$work/stanzo" "$out"
