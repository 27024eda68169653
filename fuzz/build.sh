#!/usr/bin/env bash
# Configures (once) and builds the native sanitizer and fuzzing project into
# the folder given (default <repo>/build-fuzz) with clang. Fast when nothing
# changed. Used by scripts/fuzz.sh and scripts/test.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-fuzz}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
fi
cmake --build "$build"
