#!/usr/bin/env bash
# Builds the unsigned Setup.exe of the current commit twice, from two fresh
# clones in two fresh folders, one after the other, and compares the two
# files byte for byte; then makes the vendor kit from each build, compares
# the two archives, unpacks one and builds Setup.exe with it from the same
# settings, which must give the same bytes again: the kit and the
# developers' build make Setup.exe through one step. Extra arguments are
# settings for every build (for example -DSETUP_VENDOR_FILE=...). Exits 1,
# naming where the files differ, when they do.
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
  cmake --build "$build" --target setup_exe >> "$work/$1.log" 2>&1 || { cat "$work/$1.log"; exit 1; }
  echo "build $1: $build/bin/Setup.exe, $(stat -c %s "$build/bin/Setup.exe") bytes, in $((SECONDS - started)) s"
}

differ() { # <what> <file> <file>
  echo "NOT reproducible: $1 differ"
  cmp -l "$2" "$3" | head -n 20 | awk '{ printf "  at byte %d: %03o against %03o\n", $1 - 1, $2, $3 }'
  echo "  ($(cmp -l "$2" "$3" | wc -l) bytes differ in all)"
  exit 1
}

build_once a "$@"
build_once b "$@"
a=$work/a/out/bin/Setup.exe b=$work/b/out/bin/Setup.exe
cmp -s "$a" "$b" || differ "the two builds of $commit" "$a" "$b"

for side in a b; do
  (cd "$work/$side/source" && BUILD_DIR=$work/$side/out bash scripts/make-kit.sh "$work/$side/kit" > "$work/$side.kit.log" 2>&1) ||
    { cat "$work/$side.kit.log"; exit 1; }
done
kit_a=$(ls "$work"/a/kit/*.tar.gz) kit_b=$(ls "$work"/b/kit/*.tar.gz)
cmp -s "$kit_a" "$kit_b" || differ "the kits made from the two builds" "$kit_a" "$kit_b"
mkdir "$work/vendor" && tar -xzf "$kit_a" -C "$work/vendor"
started=$(date +%s%N)
(cd "$work/vendor" && bash ./*/scripts/build-setup.sh -B out "$@" -DSETUP_CHECK_PROGRAMS=OFF > "$work/kit-build.log" 2>&1) ||
  { cat "$work/kit-build.log"; exit 1; }
echo "the kit's build: $work/vendor/out/bin/Setup.exe in $((($(date +%s%N) - started) / 1000000)) ms"
cmp -s "$a" "$work/vendor/out/bin/Setup.exe" || differ "the kit's and the developers' builds" "$a" "$work/vendor/out/bin/Setup.exe"
echo "reproducible: both builds of $commit gave the same Setup.exe, sha256 $(sha256sum "$a" | cut -d' ' -f1);" \
     "the kits made from them are the same archive, sha256 $(sha256sum "$kit_a" | cut -d' ' -f1), and the" \
     "kit's own build of the same settings gave the same Setup.exe"
