#!/usr/bin/env bash
# Checks a built Debian package: every file a user needs is in it, at the
# place the system looks for it, and lintian finds no error.
# Usage: scripts/package-check.sh dist/stanzo_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
deb=${1:?usage: package-check.sh PACKAGE.deb}

list=$(dpkg-deb --contents "$deb" | awk '{ print $6 }' | sed 's|^\./|/|')
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
want=(
  /usr/bin/stanzo
  /usr/bin/stanzo-stage
  /usr/share/applications/stanzo.desktop
  /usr/share/icons/hicolor/48x48/apps/stanzo.png
  "/usr/lib/$multiarch/vlc/lua/intf/stanzo_bridge.lua"
  /usr/share/stanzo/stanzo_black.png
  /usr/share/doc/stanzo/copyright
  /usr/share/doc/stanzo/changelog.gz
  /usr/share/man/man1/stanzo.1.gz
)
# Every program a CMakeLists installs belongs in the package, too.
while read -r program; do
  want+=("/usr/bin/$program")
done < <(grep -rhoP 'install\(TARGETS\s+\K[\w-]+' src --include=CMakeLists.txt | sort -u)

missing=0
for f in "${want[@]}"; do
  grep -qxF "$f" <<<"$list" || { echo "package-check: $deb lacks $f" >&2; missing=1; }
done
((missing == 0)) || exit 1

# Errors fail the check; warnings are printed for a person to weigh.
lintian_out=$(lintian --tag-display-limit 0 "$deb" || true)
[[ -z "$lintian_out" ]] || echo "$lintian_out"
if grep -q '^E:' <<<"$lintian_out"; then
  echo "package-check: lintian reports errors in $deb" >&2
  exit 1
fi
echo "package-check: $deb holds its $(grep -c . <<<"$list") entries as expected; lintian: no errors"
