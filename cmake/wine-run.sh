#!/usr/bin/env bash
# Runs a cross-built Windows program under wine, headless, for ctest.
#
#   wine-run.sh DIR --start          boots the prefix DIR/prefix once, starts
#                                    Xvfb and a lingering wine server
#   wine-run.sh DIR --stop           stops both
#   wine-run.sh DIR PROGRAM ARGS...  runs PROGRAM; exits with its exit code
#
# The first start of wine creates the prefix (about 15 s on the 2-core CI
# machine) and each cold wine server costs about 2 s more; --start pays both
# once, so a test's own time is its program's. A program run without
# --start still works: it boots the prefix itself and uses the DISPLAY it
# was given.
set -euo pipefail
dir=$(realpath -m "$1")
shift
mkdir -p "$dir"
export WINEPREFIX=$dir/prefix
export WINEDEBUG=-all
# No .NET or HTML engine downloads, no "install Mono?" dialogs.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEARCH

boot() {
  exec 9>"$dir/lock"
  flock 9
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    wineboot --init </dev/null >"$dir/boot.log" 2>&1 || { cat "$dir/boot.log" >&2; return 1; }
  fi
  # Debian's wine does not find its own fonts (package fonts-wine) by
  # itself; the window's "MS Sans Serif" is among them. A prefix finds the
  # fonts in its Windows folder.
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  if [[ ! -f "$fonts/sserife.fon" && -f /usr/share/wine/fonts/sserife.fon ]]; then
    cp /usr/share/wine/fonts/*.fon /usr/share/wine/fonts/*.ttf "$fonts/"
  fi
  # Without a window manager wine waits 2 s for one to withdraw every
  # top-level window it hides (each closed dialog or window). Windows it
  # does not hand to a window manager go at once.
  if [[ ! -f "$WINEPREFIX/.unmanaged" ]]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 &&
      touch "$WINEPREFIX/.unmanaged"
  fi
  flock -u 9
  exec 9>&-
}

case "$1" in
  --start)
    start=$EPOCHREALTIME
    if [[ -z "${DISPLAY:-}" ]] && ! [[ -f "$dir/display" ]]; then
      for n in $(seq 90 140); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$dir/xvfb.log" 2>&1 &
        echo $! >"$dir/xvfb.pid"
        for _ in $(seq 100); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.05; done
        echo ":$n" >"$dir/display"
        break
      done
    fi
    [[ -f "$dir/display" ]] && export DISPLAY=$(cat "$dir/display")
    # The server first, so that it lingers until --stop, or five minutes
    # after its last program. (Daemons keep no pipe of ctest's open, or
    # ctest would wait for them.)
    mkdir -p "$WINEPREFIX"
    wineserver -p300 </dev/null >/dev/null 2>&1 || true
    boot
    wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
    awk -v a="$start" -v b="$EPOCHREALTIME" -v d="${DISPLAY:-none}" \
      'BEGIN { printf "wine ready in %.1f s (DISPLAY=%s)\n", b - a, d }'
    ;;
  --stop)
    wineserver -k 2>/dev/null || true
    if [[ -f "$dir/xvfb.pid" ]]; then
      kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
      rm -f "$dir/xvfb.pid" "$dir/display"
    fi
    ;;
  *)
    [[ -z "${DISPLAY:-}" && -f "$dir/display" ]] && export DISPLAY=$(cat "$dir/display")
    boot
    exec wine "$@"
    ;;
esac
