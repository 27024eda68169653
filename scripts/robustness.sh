#!/usr/bin/env bash
# The robustness campaign: runs the suites that try damaged payloads, hostile
# command lines, faults and odd places with the case log switched on, fuzzes
# the native build of the parsing and extraction code for a fixed time, and
# writes the table to docs/robustness.md. Not part of the test run.
#
#   bash scripts/robustness.sh              # 60 s of fuzzing per harness
#   FUZZ_SECONDS=300 bash scripts/robustness.sh
#
# Exits non-zero when a suite failed or the fuzzer found something; the page
# is written either way, saying so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
fuzz_seconds=${FUZZ_SECONDS:-60}

. scripts/prepare-run.sh
out=$build/robustness
rm -rf "$out"
mkdir -p "$out"
: > "$out/cases.tsv"

status=0
: > "$out/suites.txt"
run_suite() { # name, gtest filter[, prefix kind]
  local started=$SECONDS result=passed kind=${3:-win32} log=$out/$1-${3:-win32}.log
  local prefix=$build/wineprefix
  [ "$kind" = win64 ] && prefix=$build/wineprefix64
  echo "running test_$1 ($2) in the $kind prefix where the build's programs run: $(windows_runner "$build")" >&2
  if ! SETUP_WINEARCH=$kind SETUP_WINEPREFIX=$prefix windows_job "$build" \
      bash scripts/robustness-suite.sh "$build" "$1" "$2" "$out/cases.tsv" > "$log" 2>&1; then
    result="FAILED (see $log)"
    status=1
  fi
  echo "test_$1 \`$2\` ($kind prefix): $result in $((SECONDS - started)) s" >> "$out/suites.txt"
}
run_suite launch 'HostileTails.*'
run_suite payload '*DamagedPayload*'
run_suite e2e '*'
# The renamer races the file system's rules, which a 64-bit system applies
# to the 32-bit loader's folders as well.
run_suite e2e 'RacingRenamer.*' win64

if bash scripts/fuzz.sh "$fuzz_seconds" > "$out/fuzz.md"; then :; else
  status=1
  echo >> "$out/fuzz.md"
  echo "**The fuzzer reported findings or could not run: see the output of scripts/fuzz.sh.**" >> "$out/fuzz.md"
fi

ran="$(windows_machine "$build"), $(windows_runner "$build")"
{
  echo "Run of $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) CPUs ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')), $("$WINE64" --version 2>/dev/null || echo Wine)."
  echo "Every Windows-side case ran the 32-bit programs of \`$(basename "$build")\`: $(windows_describe "$build" | sed 's/^[^(]*(//; s/)$//')."
  [ "$status" = 0 ] || echo "**Not every suite passed in this run: see below.**"
} > "$out/machine.txt"

python3 tools/robustness_table.py "$out/cases.tsv" "$out/suites.txt" "$out/fuzz.md" "$out/machine.txt" "$ran" \
  > docs/robustness.md
cat docs/robustness.md
exit "$status"
