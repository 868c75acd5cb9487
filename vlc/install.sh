#!/usr/bin/env bash
# Puts the console's bridge interface where VLC 3 looks for user Lua
# interfaces: $XDG_DATA_HOME/vlc/lua/intf (default ~/.local/share/...).
# VLC finds it there by name (--lua-intf=stanzo_bridge); it takes no path.
# Safe to run on every start: it only writes when the file differs.
set -euo pipefail
src="$(cd "$(dirname "$0")" && pwd)/intf/stanzo_bridge.lua"
dir="${XDG_DATA_HOME:-${HOME:?HOME is not set}/.local/share}/vlc/lua/intf"
dest="$dir/stanzo_bridge.lua"
if [[ -f "$dest" ]] && cmp -s "$src" "$dest"; then
  exit 0
fi
mkdir -p "$dir"
install -m 644 "$src" "$dest.tmp.$$"
mv -f "$dest.tmp.$$" "$dest"
echo "Installed the VLC bridge interface: $dest"
