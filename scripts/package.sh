#!/usr/bin/env bash
# Builds the Debian package dist/stanzo_<version>_amd64.deb: the programs,
# the desktop entry and icon, the VLC bridge in VLC's system Lua interface
# folder and the black picture (cmake/package.cmake), then checks it
# (scripts/package-check.sh: its file list and lintian).
#
# Usage: scripts/package.sh [BUILD_DIR]
#   BUILD_DIR  an already configured and built tree to package (CI passes
#              its own); default: build/package, a Release build of the
#              programs only.
# Installs what it needs first; safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build package

build=${1:-build/package}
if [[ $# -eq 0 ]]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTANZO_WERROR=ON \
    -DSTANZO_TESTS=OFF -DSTANZO_BENCH=OFF "${launcher[@]}" >/dev/null
fi
cmake --build "$build" -j "$(nproc)"

out="$build/cpack"
rm -rf "$out"
# CPack runs the install rules into a staging folder and writes the archive
# itself, with root as every file's owner.
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
mkdir -p dist
deb=$(find "$out" -maxdepth 1 -name 'stanzo_*_amd64.deb' -print -quit)
[[ -n "$deb" ]] || { echo "package.sh: CPack made no stanzo_*_amd64.deb in $out" >&2; exit 1; }
rm -f dist/stanzo_*_amd64.deb
cp "$deb" dist/
scripts/package-check.sh "dist/$(basename "$deb")"
