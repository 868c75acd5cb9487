#!/bin/sh
# stanzo-songs as a shell sees it: the lines on standard output (LF, one
# empty line between songs), a bad file named on standard error, the others
# still printed, exit status 1; no arguments: usage and status 2.
set -u
exe=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '{title: Kite}\r\n[G]Up [D]high\r\n' >"$dir/kite.cho"
printf '<song><lyrics>' >"$dir/broken.xml"
printf 'Verse 1\nLow tide\n' >"$dir/tide.txt"
fail() { echo "converter_test: $*" >&2; exit 1; }

"$exe" "$dir/kite.cho" "$dir/broken.xml" "$dir/tide.txt" >"$dir/out" 2>"$dir/err"
[ $? -eq 1 ] || fail "a bad file must give exit status 1"
printf 'Up high\n\nLow tide\n' | cmp -s - "$dir/out" || fail "stdout: $(od -c "$dir/out")"
[ "$(cat "$dir/err")" = "stanzo-songs: $dir/broken.xml: XML error at line 1, column 14: start-end tags mismatch" ] ||
  fail "stderr: $(cat "$dir/err")"

"$exe" "$dir/tide.txt" >"$dir/out" 2>"$dir/err" || fail "a good file must give exit status 0"
[ -s "$dir/err" ] && fail "nothing on stderr for good files"

"$exe" >/dev/null 2>"$dir/err"
[ $? -eq 2 ] || fail "no arguments must give exit status 2"
grep -q '^usage: stanzo-songs FILE' "$dir/err" || fail "usage: $(cat "$dir/err")"
exit 0
