#!/usr/bin/env bash
# Builds everything and runs every test under Wine in a virtual display, then
# builds the native sanitizer project (fuzz/, clang with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs its short, fixed-seed harness runs.
# Extra arguments go to the Wine ctest (for example -R payload). Fails when
# either fails; both summaries are repeated at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/prepare-run.sh
echo "running the tests of $run_build ($SETUP_RUN_ARCH programs under Wine)"
wine_log=$run_build/test-summary.log
wine_status=0
xvfb-run -a -s "-screen 0 1024x768x24" ctest --test-dir "$run_build" --output-on-failure "$@" 2>&1 |
  tee "$wine_log" || wine_status=$?

fuzz_build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
echo "running the native sanitizer tests of $fuzz_build"
fuzz_log=$fuzz_build/test-summary.log
mkdir -p "$fuzz_build"
fuzz_status=0
if bash fuzz/build.sh "$fuzz_build" >&2; then
  ctest --test-dir "$fuzz_build" --output-on-failure 2>&1 | tee "$fuzz_log" || fuzz_status=$?
else
  fuzz_status=1
  echo "the native sanitizer build failed" >"$fuzz_log"
fi

summary() { grep -E 'tests passed|build failed|No tests were found' "$1" | tail -n 1 || echo "no summary"; }
echo
echo "Wine tests:             $(summary "$wine_log")"
echo "native sanitizer tests: $(summary "$fuzz_log")"
[ "$wine_status" -eq 0 ] && [ "$fuzz_status" -eq 0 ]
