#!/usr/bin/env bash
# Installs the Debian packages a task needs, and only those still missing.
# Usage: scripts/deps.sh build|test|run|shots|vlc|browser|package|windows ...
set -euo pipefail

declare -A groups=(
  [build]="cmake ninja-build g++ qt6-base-dev qt6-websockets-dev libcpp-httplib-dev nlohmann-json3-dev pkg-config libgl-dev libgtest-dev libgmock-dev libpugixml-dev fonts-dejavu-core fonts-liberation2"
  [test]="clang libclang-rt-14-dev xvfb xauth libxcb1-dev"
  [run]="fonts-dejavu-core fonts-liberation2"
  [shots]="xvfb xauth x11-utils x11-apps imagemagick"
  [browser]="chromium fonts-dejavu-core"
  [package]="dpkg-dev file lintian gzip"
  [windows]="cmake ninja-build g++ g++-mingw-w64-x86-64-posix googletest nlohmann-json3-dev dpkg-dev wine wine64 fonts-wine xvfb xauth zip locales python3"
  [vlc]="vlc-bin vlc-plugin-base vlc-plugin-video-output xvfb xauth ffmpeg tesseract-ocr fonts-dejavu-core"
)

pkgs=()
for g in "$@"; do
  [[ -n "${groups[$g]+x}" ]] || { echo "deps.sh: unknown group '$g'" >&2; exit 2; }
  for p in ${groups[$g]}; do pkgs+=("$p"); done
done

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo=()
[[ "$(id -u)" == 0 ]] || sudo=(sudo)
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Windows tests run one test under a Japanese locale, from which wine
# takes a double-byte ANSI code page (932). Wine asks the C library for the
# locale, so it must be generated; Debian generates none by default.
for g in "$@"; do
  if [[ "$g" == windows ]] && ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
    echo "Generating the locale ja_JP.UTF-8"
    "${sudo[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
  fi
done
