#!/usr/bin/env bash
# Builds everything and runs every test under Wine in a virtual display.
# Extra arguments go to ctest (for example -R payload).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${BUILD_DIR:-$root/build}
export BUILD_DIR=$build

bash scripts/build.sh
. scripts/wine-env.sh
run_build=$(setup_run_build "$build")
bash scripts/make-wineprefix.sh "$run_build/wineprefix"

export WINEPREFIX=$run_build/wineprefix
# Nothing of the run may linger: end the prefix's server whatever happens.
trap '"$WINESERVER" -k 2>/dev/null || true' EXIT
echo "running the tests of $run_build ($SETUP_RUN_ARCH programs under Wine)"
xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir "$run_build" --output-on-failure "$@"
