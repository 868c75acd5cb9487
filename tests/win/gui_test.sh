#!/usr/bin/env bash
# Runs the GUI test of stanzo.exe (gui_test.exe, under wine) against the
# stand-in player, a program of the build machine on 127.0.0.1.
#
#   gui_test.sh WINE_RUN WINE_DIR STANDIN GUI_TEST_EXE
set -euo pipefail
wine_run=$1 wine_dir=$2 standin=$3 driver=$4
work=$(mktemp -d)
"$standin" --port 0 >"$work/received.txt" 2>"$work/standin.err" &
standin_pid=$!
trap 'kill "$standin_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 200); do [[ -s "$work/received.txt" ]] && break; sleep 0.05; done
port=$(head -n 1 "$work/received.txt")
[[ "$port" =~ ^[0-9]+$ ]] || { echo "no stand-in player: $(cat "$work/standin.err")" >&2; exit 1; }
STANZO_STANDIN_PORT=$port STANZO_STANDIN_LOG=$work/received.txt "$wine_run" "$wine_dir" "$driver"
