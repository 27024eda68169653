#!/usr/bin/env bash
# Installs what is missing, then configures and builds everything into
# ${BUILD_DIR:-build}. Fast when nothing changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${BUILD_DIR:-$root/build}

bash scripts/install-deps.sh
bash scripts/fetch-boost-source.sh
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset default -B "$build" "$@"
elif [ $# -gt 0 ]; then
  cmake -B "$build" "$@"
fi
cmake --build "$build"
