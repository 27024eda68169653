#!/usr/bin/env bash
# Installs what is missing, then configures and builds everything into
# ${BUILD_DIR:-build}: the shipping 32-bit Setup.exe and the 32-bit programs
# the tests and the demo run. Fast when nothing changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${BUILD_DIR:-$root/build}
preset=${SETUP_PRESET:-default}

bash scripts/install-deps.sh
bash scripts/fetch-boost-source.sh

# Arguments (cache settings such as -DSETUP_INSTALLER_PROGRAM=...) reconfigure.
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset "$preset" -B "$build" "$@"
elif [ $# -gt 0 ]; then
  cmake -B "$build" "$@"
fi
cmake --build "$build"
