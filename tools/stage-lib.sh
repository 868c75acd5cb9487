# shellcheck shell=bash
# Shell functions shared by the tools that photograph stanzo-stage; source
# it from the project's top folder, in a script run with `set -euo pipefail`.

# start_stage READY_PATTERN ARG...: starts build/release/src/stage/stanzo-stage
# ARG... in the background with its output in $work/stdout and $work/stderr
# ($work: a new temporary folder, removed with the stage on exit) and waits
# up to 10 s for a line of its output to match READY_PATTERN; exits when the
# stage dies first. Sets $port to the TCP port it listens on (empty: none).
start_stage() {
  local ready=$1
  shift
  work=$(mktemp -d)
  build/release/src/stage/stanzo-stage "$@" >"$work/stdout" 2>"$work/stderr" &
  stage_pid=$!
  trap 'kill "$stage_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
  for _ in $(seq 100); do
    grep -q "$ready" "$work/stdout" && break
    kill -0 "$stage_pid" 2>/dev/null || { cat "$work/stderr" >&2; exit 1; }
    sleep 0.1
  done
  port=$(sed -n 's/^Listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/stdout")
}

# send_to_stage COMMAND...: sends the commands to the stage on $port over TCP
# as the console would, one a line, and waits (at most 10 s) for its
# greeting and the bare prompt every command answers with.
send_to_stage() {
  local greeting=$'VLC media player 3.0.24 Vetinari\nCommand Line Interface initialized. Type `help\' for help.\r\n> '
  exec 3<>"/dev/tcp/127.0.0.1/$port"
  printf '%s\n' "$@" >&3
  timeout 10 head -c $((${#greeting} + 2 * $#)) <&3 >/dev/null
  exec 3<&-
}
