#!/usr/bin/env bash
# Cross-compiles the Windows console with mingw-w64 into build/windows/ and
# packs dist/stanzo-windows-x64.zip: stanzo.exe and the song converter
# stanzo-songs.exe (static, need no DLL but Windows' own), the VLC bridge
# with its black picture and a README.txt for Windows users.
# Installs what it needs first; safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh windows

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTANZO_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake "${launcher[@]}" >/dev/null
cmake --build build/windows -j "$(nproc)" "$@"

exe=build/windows/bin/stanzo.exe
# Only Windows' own DLLs may be imported: nothing needs to ship beside them.
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" build/windows/bin/stanzo-songs.exe |
  awk '/DLL Name:/ { print toupper($3) }' | sort -u)
for dll in $dlls; do
  case "$dll" in
    KERNEL32.DLL | USER32.DLL | GDI32.DLL | COMCTL32.DLL | MSVCRT.DLL | ADVAPI32.DLL | \
    SHELL32.DLL | COMDLG32.DLL | WS2_32.DLL) ;;
    *) echo "build-windows.sh: stanzo.exe needs $dll, which Windows does not have" >&2; exit 1 ;;
  esac
done

stage=build/windows/dist/stanzo
rm -rf "$stage" && mkdir -p "$stage/vlc" dist
cp "$exe" build/windows/bin/stanzo-songs.exe "$stage/"
x86_64-w64-mingw32-strip "$stage/stanzo.exe" "$stage/stanzo-songs.exe"
# Execute installs the bridge for VLC from here, and the default launch
# command plays the black picture from here.
cp vlc/intf/stanzo_bridge.lua vlc/stanzo_black.png "$stage/vlc/"
# Windows users open it in Notepad: CR LF line ends.
sed 's/$/\r/' src/win/README.txt >"$stage/README.txt"
rm -f dist/stanzo-windows-x64.zip
(cd build/windows/dist && zip -qr -X ../../../dist/stanzo-windows-x64.zip stanzo)
echo "dist/stanzo-windows-x64.zip:"
unzip -l dist/stanzo-windows-x64.zip | tail -n +2
