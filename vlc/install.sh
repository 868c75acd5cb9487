#!/usr/bin/env bash
# Puts the console's bridge interface where VLC 3 looks for user Lua
# interfaces: $XDG_DATA_HOME/vlc/lua/intf (default ~/.local/share/...).
# VLC finds it there by name (--lua-intf=stanzo_bridge); it takes no path.
# Also puts the plain black picture that the console's default launch
# command plays under the overlays at $XDG_DATA_HOME/stanzo/.
# Safe to run on every start: it only writes what differs.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
data="${XDG_DATA_HOME:-${HOME:?HOME is not set}/.local/share}"

put() {  # put SOURCE DESTDIR
  local dest="$2/$(basename "$1")"
  if [[ -f "$dest" ]] && cmp -s "$1" "$dest"; then
    return 0
  fi
  mkdir -p "$2"
  install -m 644 "$1" "$dest.tmp.$$"
  mv -f "$dest.tmp.$$" "$dest"
  echo "Installed $dest"
}

put "$here/intf/stanzo_bridge.lua" "$data/vlc/lua/intf"
put "$here/stanzo_black.png" "$data/stanzo"
