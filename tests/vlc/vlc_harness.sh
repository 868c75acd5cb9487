#!/usr/bin/env bash
# Runs Debian's VLC headless for tests: a private X server (Xvfb), a small
# looping test video made by ffmpeg's lavfi source, and VLC with the
# console's bridge interface installed into a throw-away home.
#
#   vlc_harness.sh start DIR [--owner=PID] [--as-launched] [VLC ARGS...]
#                                            start Xvfb and VLC, wait until
#                                            the bridge (and VLC's CLI, when
#                                            asked for) listen; with an owner,
#                                            both are stopped when it is gone;
#                                            --as-launched: no test video and
#                                            no interface or title options,
#                                            the arguments say what to play
#   vlc_harness.sh video DIR NAME COLOUR     make DIR/NAME.avi (640x360)
#   vlc_harness.sh shot DIR OUT.png          screenshot of the video area
#   vlc_harness.sh stop DIR                  stop VLC and Xvfb
#
# DIR is created and holds everything: env (DISPLAY, pids), vlc.log, the
# home directory, the videos. VLC_VERBOSE is passed on (2: debug messages
# in vlc.log, where the bridge logs every overlay chain it sets). VLC refuses to run as root, so as root it
# runs as uid/gid 65534 (setpriv); DIR is made readable for that user.
# Every wait has a deadline; on failure the script prints why and the end
# of VLC's log, and exits non-zero.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
deadline_s=${STANZO_VLC_DEADLINE:-60}

die() {
  echo "vlc_harness: $*" >&2
  [[ -n "${dir:-}" && -f "$dir/vlc.log" ]] && tail -n 30 "$dir/vlc.log" >&2
  exit 1
}

# wait_for SECONDS COMMAND...: polls COMMAND every 50 ms until it succeeds.
wait_for() {
  local end=$((SECONDS + $1)); shift
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.05
  done
}

make_video() {  # make_video DIR NAME COLOUR
  local out="$1/$2.avi"
  [[ -s "$out" ]] && return 0
  ffmpeg -nostdin -hide_banner -loglevel error \
    -f lavfi -i "color=c=$3:s=640x360:r=25" -t 10 \
    -c:v mjpeg -q:v 3 -pix_fmt yuvj420p -y "$out.tmp.avi" || die "ffmpeg could not make $out"
  mv -f "$out.tmp.avi" "$out"
  chmod 644 "$out"
}

env_value() { sed -n "s/^$2=//p" "$1/env" | tail -n 1; }

cmd="${1:-}"; dir="${2:-}"
[[ -n "$cmd" && -n "$dir" ]] || { sed -n '2,20p' "$0" >&2; exit 2; }

case "$cmd" in
start)
  shift 2
  owner=""
  if [[ "${1:-}" == --owner=* ]]; then
    owner="${1#--owner=}"
    shift
  fi
  # What VLC gets besides the arguments: the headless options, and unless
  # the arguments are a launch command as the console runs it, the test
  # video and the quiet interface.
  extra=(--vout=xcb_x11 --no-audio --aout=dummy --avcodec-hw=none --no-dbus)
  media=("$dir/bg.avi")
  if [[ "${1:-}" == --as-launched ]]; then
    shift
    media=()
  else
    extra+=(-I dummy --no-video-title-show --input-repeat=100000)
  fi
  mkdir -p "$dir/home" "$dir/run"
  chmod 755 "$dir"
  chmod 700 "$dir/run"
  : >"$dir/env"
  ((${#media[@]} == 0)) || make_video "$dir" bg 0x203040
  HOME="$dir/home" XDG_DATA_HOME="$dir/home/.local/share" "$repo/vlc/install.sh" >/dev/null
  as_user=()
  if [[ "$(id -u)" == 0 ]]; then
    chown -R 65534:65534 "$dir/home" "$dir/run"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  fi

  # Xvfb picks a free display and writes its number once it accepts clients.
  : >"$dir/display"
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset \
    3>"$dir/display" >"$dir/xvfb.log" 2>&1 </dev/null &
  echo "XVFB_PID=$!" >>"$dir/env"
  wait_for 30 grep -q '[0-9]' "$dir/display" || die "Xvfb did not start: $(cat "$dir/xvfb.log")"
  display=":$(tr -dc '0-9' <"$dir/display")"
  echo "DISPLAY=$display" >>"$dir/env"

  "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" \
    XDG_DATA_HOME="$dir/home/.local/share" LANG=C.UTF-8 DISPLAY="$display" \
    ${VLC_VERBOSE:+VLC_VERBOSE="$VLC_VERBOSE"} \
    vlc "${extra[@]}" "$@" "${media[@]}" >"$dir/vlc.log" 2>&1 </dev/null &
  vlc_pid=$!
  echo "VLC_PID=$vlc_pid" >>"$dir/env"

  ready() {
    kill -0 "$vlc_pid" 2>/dev/null || die "VLC exited during start-up"
    grep -qs 'Cannot listen on' "$dir/vlc.log" && die "the bridge could not listen"
    grep -qs "Couldn't find lua interface script" "$dir/vlc.log" &&
      die "VLC did not find the bridge (is $dir readable for uid 65534?)"
    grep -qs 'stanzo bridge: listening on' "$dir/vlc.log" &&
      { ((!with_cli)) || grep -qs '\[cli\] lua interface: Listening on host' "$dir/vlc.log"; }
  }
  # VLC's own CLI is waited for only when it was asked for.
  with_cli=0
  for a in "$@"; do
    [[ "$a" == --extraintf=*rc* || "$a" == --extraintf=*cli* ]] && with_cli=1
  done
  wait_for "$deadline_s" ready || die "VLC did not start listening within ${deadline_s}s"
  if [[ -n "$owner" ]]; then
    # A test that dies without stopping us must not leave VLC and the X
    # server behind.
    xvfb_pid="$(env_value "$dir" XVFB_PID)"
    (
      while kill -0 "$owner" 2>/dev/null; do sleep 1; done
      kill -TERM "$vlc_pid" "$xvfb_pid" 2>/dev/null
    ) </dev/null >/dev/null 2>&1 &
    echo "WATCHDOG_PID=$!" >>"$dir/env"
  fi
  echo "started VLC (pid $vlc_pid) on $display"
  ;;
video)
  make_video "$dir" "$3" "$4"
  echo "$dir/$3.avi"
  ;;
shot)
  out="$3"
  ffmpeg -nostdin -hide_banner -loglevel error -f x11grab -draw_mouse 0 \
    -video_size 640x360 -i "$(env_value "$dir" DISPLAY)+0,0" -frames:v 1 -y "$out" ||
    die "screenshot failed"
  ;;
stop)
  wd="$(env_value "$dir" WATCHDOG_PID)"
  [[ -n "$wd" ]] && { kill -TERM "$wd" 2>/dev/null || true; }
  for name in VLC_PID XVFB_PID; do
    pid="$(env_value "$dir" "$name")"
    [[ -n "$pid" ]] || continue
    kill -TERM "$pid" 2>/dev/null || continue
    # Gone, or a zombie whose new parent has not reaped it yet.
    gone() { ! kill -0 "$pid" 2>/dev/null || grep -q '^[0-9]* (.*) Z' "/proc/$pid/stat" 2>/dev/null; }
    wait_for 10 gone || { kill -KILL "$pid" 2>/dev/null || true; }
  done
  ;;
*)
  die "unknown command '$cmd'"
  ;;
esac
