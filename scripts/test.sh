#!/usr/bin/env bash
# Builds everything and runs every test under Wine in a virtual display.
# Extra arguments go to ctest (for example -R payload).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/prepare-run.sh
echo "running the tests of $run_build ($SETUP_RUN_ARCH programs under Wine)"
xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir "$run_build" --output-on-failure "$@"
