#!/usr/bin/env bash
# Builds the unsigned Setup.exe of the current commit twice, from two fresh
# clones in two fresh folders, one after the other, and compares the two
# files byte for byte. Extra arguments are cache settings for both builds
# (for example -DSETUP_COMPANY_NAME=...). Exits 1, naming where the files
# differ, when they do.
#
# The program check is left out of these builds (-DSETUP_CHECK_PROGRAMS=OFF):
# it changes no byte of the file, and its result is kept per build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
bash scripts/fetch-boost-source.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/setup-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
commit=$(git rev-parse HEAD)
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  echo "note: uncommitted changes are not part of this check; it builds commit $commit"

build_once() { # <name>
  local src=$work/$1/source build=$work/$1/out
  git clone -q --no-local "$root" "$src"
  git -C "$src" checkout -q "$commit"
  local started=$SECONDS
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-i686-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF -DSETUP_CHECK_PROGRAMS=OFF \
    -DBOOST_FILESYSTEM_SOURCE_DIR="$root/.cache/boost-filesystem-src/libs/filesystem/src" "$@" > "$work/$1.log" 2>&1 ||
    { cat "$work/$1.log"; exit 1; }
  cmake --build "$build" --target Setup >> "$work/$1.log" 2>&1 || { cat "$work/$1.log"; exit 1; }
  echo "build $1: $build/bin/Setup.exe, $(stat -c %s "$build/bin/Setup.exe") bytes, in $((SECONDS - started)) s"
}

build_once a "$@"
build_once b "$@"
a=$work/a/out/bin/Setup.exe b=$work/b/out/bin/Setup.exe
if cmp -s "$a" "$b"; then
  echo "reproducible: both builds of $commit gave the same Setup.exe, sha256 $(sha256sum "$a" | cut -d' ' -f1)"
  exit 0
fi
echo "NOT reproducible: the two builds of $commit differ"
cmp -l "$a" "$b" | head -n 20 | awk '{ printf "  at byte %d: %03o against %03o\n", $1 - 1, $2, $3 }'
echo "  ($(cmp -l "$a" "$b" | wc -l) bytes differ in all)"
exit 1
