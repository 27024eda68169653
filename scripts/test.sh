#!/usr/bin/env bash
# Builds everything and runs every test: the configure checks on this
# machine, the Windows-side suites against the shipping 32-bit build under
# Wine in a virtual display (natively or in the emulated machine, as
# scripts/wine-env.sh decides), then the native sanitizer project (fuzz/,
# clang with AddressSanitizer and UndefinedBehaviorSanitizer) and its short,
# fixed-seed harness runs. Extra arguments go to the Windows-side ctest (for
# example -R payload). Fails when any part fails; the summaries and times are
# repeated at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$SECONDS
. scripts/prepare-run.sh
built=$((SECONDS - started))

host_log=$build/host-tests.log
host_status=0
ctest --test-dir "$build" -L host --output-on-failure 2>&1 | tee "$host_log" || host_status=$?

echo
echo "Windows-side suites: $(windows_describe "$build")"
phase=$SECONDS
windows_status=0
# A job that never starts must not leave an earlier run's summary to be shown.
rm -f "$build/windows-tests.log"
windows_job "$build" bash scripts/windows-tests.sh "$@" || windows_status=$?
windows_time=$((SECONDS - phase))

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
echo "build: $built s"
echo "configure checks:       $(summary "$host_log")"
echo "Windows-side suites ($(windows_machine "$build"), $(windows_runner "$build")), $windows_time s:"
sed 's/^/  /' "$build/windows-tests.log" 2>/dev/null || echo "  no summary"
echo "native sanitizer tests: $(summary "$fuzz_log")"
echo "total: $((SECONDS - started)) s"
[ "$host_status" -eq 0 ] && [ "$windows_status" -eq 0 ] && [ "$fuzz_status" -eq 0 ]
