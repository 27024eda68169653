#!/usr/bin/env bash
# The Windows-side suites of a build, run where its programs run (test.sh
# starts this through windows_job): every suite in the build's 32-bit prefix,
# then the end-to-end suite again in a 64-bit prefix, where the shell gives
# the 32-bit loader C:\Program Files (x86) as on most customers' machines.
# That second run leaves out the damaged-record runs, whose endings are
# zlib's reading of the record and the same on either kind of system, and the
# partner loader that hangs, which costs a minute and waits on a lock that
# knows no kind of system.
# Extra arguments go to the first ctest. Writes a summary line per run to
# <build>/windows-tests.log.
#   SETUP_SKIP_WIN64=1   skips the 64-bit prefix run
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=$BUILD_DIR
. scripts/wine-env.sh
. scripts/small-volume.sh
small_volume_mount
trap small_volume_unmount EXIT
summary=$build/windows-tests.log
: > "$summary"
status=0

run_suites() { # <label> <prefix kind> <ctest arguments...>
  local label=$1 kind=$2; shift 2
  local prefix=$build/wineprefix
  [ "$kind" = win64 ] && prefix=$build/wineprefix64
  export SETUP_WINEARCH=$kind SETUP_WINEPREFIX=$prefix
  windows_env "$build"
  local started=$SECONDS
  bash scripts/make-wineprefix.sh "$prefix" || { echo "$label: no prefix" >> "$summary"; status=1; return; }
  local created=$((SECONDS - started))
  echo "== $label: $(windows_machine "$build") programs of $build in the $kind prefix $prefix"
  local log=$build/ctest-$kind.log
  started=$SECONDS
  xvfb-run -a -e "$build/xvfb-$kind.log" -s "-screen 0 1024x768x24" \
    ctest --test-dir "$build" -L windows --output-on-failure "$@" 2>&1 | tee "$log"
  local result=${PIPESTATUS[0]}
  [ "$result" = 0 ] || status=1
  "$WINESERVER" -k 2>/dev/null || true
  echo "$label ($kind prefix, created in $created s): $(grep -E 'tests passed' "$log" | tail -n 1 || echo 'no summary'); $((SECONDS - started)) s" >> "$summary"
  grep -E '^ *[0-9]+/[0-9]+ Test +#' "$log" | sed 's/^ */    /' >> "$summary"
}

run_suites "32-bit Windows" win32 "$@"
if [ "${SETUP_SKIP_WIN64:-0}" != 1 ]; then
  GTEST_FILTER='-Sampled/*:Records/*:TwoLoaders.APartnerThatHangs*' run_suites "32-bit loader on 64-bit Windows" win64 -R '^e2e$'
fi
echo
cat "$summary"
exit $status
