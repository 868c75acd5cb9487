#!/usr/bin/env bash
# Runs a test program on a private X server (Xvfb on a free display) with
# Qt's X11 platform, so the test can read what the window system shows.
# Exits 77, which ctest reports as skipped, with the reason when no X
# server can be started here.
# Usage: with_xvfb.sh PROGRAM [ARGS...]
set -u

if ! command -v Xvfb >/dev/null; then
  echo "SKIPPED: no X server: Xvfb is not installed (scripts/deps.sh test installs it)"
  exit 77
fi

dir="$(mktemp -d)"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
  3>"$dir/display" >"$dir/xvfb.log" 2>&1 </dev/null &
xvfb_pid=$!
cleanup() {
  kill -TERM "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT

# Xvfb writes its display number once it accepts clients.
for _ in $(seq 300); do
  grep -q '[0-9]' "$dir/display" && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q '[0-9]' "$dir/display"; then
  echo "SKIPPED: no X server: Xvfb did not start: $(tr '\n' ' ' <"$dir/xvfb.log")"
  exit 77
fi

DISPLAY=":$(tr -dc '0-9' <"$dir/display")" QT_QPA_PLATFORM=xcb "$@"
