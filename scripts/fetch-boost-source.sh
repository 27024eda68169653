#!/usr/bin/env bash
# Fetches Debian's boost1.81 source package into .cache/ (ignored by git) and
# unpacks the Boost.Filesystem sources, which the build compiles for the target.
# Uses private apt lists derived from the machine's own sources, so the
# machine's apt configuration is left untouched.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cache="$root/.cache"
dest="$cache/boost-filesystem-src"
[ -f "$dest/.complete" ] && exit 0

work="$cache/apt-src"
mkdir -p "$work/parts" "$work/lists/partial" "$work/download"

# deb-src twins of the machine's deb entries.
found=0
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  sed 's/^Types:.*/Types: deb-src/' "$f" > "$work/parts/$(basename "$f")"
  found=1
done
if [ -f /etc/apt/sources.list ]; then
  grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > "$work/parts/from-sources-list.list" || true
  [ -s "$work/parts/from-sources-list.list" ] && found=1
fi
[ "$found" = 1 ] || { echo "no apt sources found to derive deb-src entries from" >&2; exit 1; }

apt_opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$work/parts"
          -o Dir::State::Lists="$work/lists" -o APT::Sandbox::User=root)
apt-get "${apt_opts[@]}" update -q
(cd "$work/download" && apt-get "${apt_opts[@]}" source --download-only boost1.81)

tarball=$(ls "$work"/download/boost1.81_*.orig.tar.* | head -n 1)
rm -rf "$dest" && mkdir -p "$dest"
# Only the filesystem library's sources are needed; headers come from libboost1.81-dev.
tar -xf "$tarball" -C "$dest" --strip-components=1 --wildcards '*/libs/filesystem/src/*'
ls "$dest"/libs/filesystem/src/*.cpp >/dev/null
touch "$dest/.complete"
rm -rf "$work/download"
