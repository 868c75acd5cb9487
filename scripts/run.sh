#!/usr/bin/env bash
# Builds the console and the rehearsal stage, and starts both: the stage in
# the background, listening on 127.0.0.1:2323, so that Connect in the
# console shows slides at once without VLC. Installs what it needs first.
#
# Usage: scripts/run.sh [--no-stage] [console arguments...]
#   --no-stage   do not start the stage (e.g. to drive a real VLC)
# The stage is not started either when something already listens on
# 127.0.0.1:2323 (a running VLC or stage). It stops when the console exits.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build run
# Lets the launch command's VLC find the console's bridge interface.
vlc/install.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTANZO_BENCH=OFF >/dev/null
cmake --build build/release --target stanzo stanzo-stage

want_stage=1
args=()
for a in "$@"; do
  if [[ "$a" == --no-stage ]]; then want_stage=0; else args+=("$a"); fi
done

# True when something accepts connections on the player's default port.
port_taken() { timeout 2 bash -c 'exec 3<>/dev/tcp/127.0.0.1/2323' 2>/dev/null; }

stage_pid=
stop_stage() {
  if [[ -n "$stage_pid" ]]; then
    kill "$stage_pid" 2>/dev/null || true
    wait "$stage_pid" 2>/dev/null || true
  fi
}
trap stop_stage EXIT
# Leave through the EXIT trap on Ctrl+C, hang-up or kill, too: a background
# job ignores Ctrl+C, so the stage would outlive the console otherwise.
trap 'exit 130' INT
trap 'exit 129' HUP
trap 'exit 143' TERM

if ((want_stage)); then
  if port_taken; then
    echo "run.sh: something already listens on 127.0.0.1:2323; not starting the stage"
  else
    build/release/src/stage/stanzo-stage --listen 127.0.0.1:2323 &
    stage_pid=$!
    # Wait until it accepts connections (or has given up), at most 10 s.
    for _ in $(seq 100); do
      port_taken && break
      kill -0 "$stage_pid" 2>/dev/null || { echo "run.sh: the stage did not start" >&2; stage_pid=; break; }
      sleep 0.1
    done
  fi
fi

status=0
build/release/src/app/stanzo "${args[@]}" || status=$?
exit "$status"
