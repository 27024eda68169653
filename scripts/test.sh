#!/usr/bin/env bash
# Builds everything and runs every test under Wine in a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${BUILD_DIR:-$root/build}
export BUILD_DIR=$build

bash scripts/build.sh
bash scripts/make-wineprefix.sh "$build/wineprefix"

export WINEPREFIX=$build/wineprefix WINEARCH=win32 WINEDEBUG=-all
# Nothing of the run may linger: end the prefix's server whatever happens.
trap 'wineserver -k 2>/dev/null || true' EXIT
xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir "$build" --output-on-failure "$@"
