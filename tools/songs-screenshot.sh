#!/usr/bin/env bash
# Takes the README's picture of songs in the lyric script: two song files
# (an OpenLyrics and a ChordPro one, made up here) converted by
# stanzo-songs into the script of a fresh console, shown as
# tools/screenshot.sh shows it.
#
# Usage: tools/songs-screenshot.sh [output.png]   (default: docs/songs.png)
set -euo pipefail
cd "$(dirname "$0")/.."

out=$(realpath -m "${1:-docs/songs.png}")
scripts/deps.sh build run shots
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTANZO_BENCH=OFF >/dev/null
cmake --build build/release --target stanzo stanzo-songs

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/Songs"
cat >"$work/Songs/harbour-lights.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<song xmlns="http://openlyrics.info/namespace/2009/song" version="0.9">
  <properties>
    <titles><title>Harbour Lights</title></titles>
    <verseOrder>v1 c v2 c</verseOrder>
  </properties>
  <lyrics>
    <verse name="v1"><lines>Lamps along the harbour<br/>glow across the bay</lines></verse>
    <verse name="c1"><lines>Shine, shine, <chord root="G"/>guide us home<br/>over the evening sea</lines></verse>
    <verse name="v2"><lines>Boats come in at twilight<br/>nets are full today</lines></verse>
  </lyrics>
</song>
XML
cat >"$work/Songs/open-road.cho" <<'CHO'
{title: Open Road}
{artist: Nobody in Particular}
[G]Wheels on the [D]open road
[Em]sun on the [C]fields of gold
{soc}
[C]Sing as we [G]go
{eoc}
{chorus}
CHO
build/release/src/songs/stanzo-songs "$work"/Songs/* >"$work/Lyrics.txt"
cp build/release/src/app/stanzo "$work/"
xvfb-run -a -s "-screen 0 1280x800x24" tools/screenshot.sh --inside-x "$work/stanzo" "$out"
