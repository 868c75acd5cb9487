#!/usr/bin/env bash
# Fetches and unpacks a Debian source package, for libraries the Windows
# build compiles itself from the same sources Debian builds the Linux
# package from.
#
# Usage: scripts/debian-source.sh SOURCE-PACKAGE [BINARY-PACKAGE]
# Prints the unpacked source folder (build/debian-src/SOURCE-VERSION).
# The version is that of BINARY-PACKAGE as apt offers it (default: the
# source package's own candidate), so Linux and Windows build one version.
# Idempotent: an unpacked folder is reused; a deb-src entry is added to
# apt's sources only when there is none yet.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$1
bin=${2:-}

sudo=()
[[ "$(id -u)" == 0 ]] || sudo=(sudo)
command -v dpkg-source >/dev/null || {
  "${sudo[@]}" apt-get update -qq >&2
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends dpkg-dev >&2
}

has_deb_src() {
  grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/
}
if ! has_deb_src; then
  # The same archives as the binary entries, for sources.
  list=/etc/apt/sources.list.d/stanzo-deb-src.sources
  if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | "${sudo[@]}" tee "$list" >/dev/null
  else
    grep -hE '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      "${sudo[@]}" tee /etc/apt/sources.list.d/stanzo-deb-src.list >/dev/null
  fi
  "${sudo[@]}" apt-get update -qq >&2
fi

version=""
if [[ -n "$bin" ]]; then
  version=$(apt-cache policy "$bin" | awk '/Candidate:/ { print $2 }')
fi
if [[ -z "$version" || "$version" == "(none)" ]]; then
  version=$(apt-cache showsrc "$src" | awk '/^Version:/ { print $2; exit }')
fi
[[ -n "$version" ]] || { echo "debian-source.sh: no source version for $src" >&2; exit 1; }
upstream=${version#*:}
dest=build/debian-src/$src-$upstream
if [[ ! -f "$dest/.unpacked" ]]; then
  work=build/debian-src/.fetch-$src
  rm -rf "$work" "$dest" && mkdir -p "$work"
  (cd "$work" && apt-get source -qq "$src=$version" >&2)
  dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [[ -n "$dir" ]] || { echo "debian-source.sh: $src did not unpack" >&2; exit 1; }
  mv "$dir" "$dest"
  rm -rf "$work"
  touch "$dest/.unpacked"
fi
echo "$PWD/$dest"
