#!/usr/bin/env bash
# Fuzzes the loader's command-line parsing, payload extraction and bounded
# text natively under AddressSanitizer and UndefinedBehaviorSanitizer, each
# harness for a fixed time (seconds, default 60) over a copy of its seed
# corpus in fuzz/corpus/, which is never changed. Build output and libFuzzer's
# log go to stderr; stdout gets one Markdown table, a row per harness:
# executions, seconds, corpus entries at the end (libFuzzer's own count) and
# findings (crashes, sanitizer reports, timeouts, out-of-memory). Exits
# non-zero when there is any finding; its input is kept under
# <build>/fuzz-runs/<harness>/findings/. Build folder: ${FUZZ_BUILD_DIR:-build-fuzz}.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [seconds per harness, default 60]" >&2
  exit 2
fi
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}

bash scripts/install-deps.sh >&2
bash fuzz/build.sh "$build" >&2

harnesses=(fuzz_command_line fuzz_payload fuzz_bounded_text)
rows=()
total_findings=0
for harness in "${harnesses[@]}"; do
  work=$build/fuzz-runs/$harness
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/findings"
  cp -r "fuzz/corpus/$harness/." "$work/corpus/"
  log=$work/libfuzzer.log
  echo "fuzzing $harness for $seconds s" >&2
  start=$(date +%s.%N)
  set +e
  "$build/$harness" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/findings/" "$work/corpus" >"$log" 2>&1
  status=$?
  set -e
  end=$(date +%s.%N)
  grep -m 3 -E '^==[0-9]+==ERROR|invariant broken|runtime error' "$log" >&2 || true
  tail -n 12 "$log" >&2

  # libFuzzer's final lines: "stat::number_of_executed_units: N", "Done N runs
  # in S second(s)" after a clean run, and status lines with "corp: N/...".
  # A run that stops at a crash has no "Done" line (the script's own clock
  # then counts), and one that crashes on a seed no status line (the files
  # in its corpus then count).
  executions=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)
  run_seconds=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)
  [ -n "$run_seconds" ] || run_seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%d", b - a + 0.5 }')
  corpus=$( (grep -o 'corp: [0-9]*' "$log" || true) | tail -n 1 | sed 's/corp: //')
  [ -n "$corpus" ] || corpus=$(find "$work/corpus" -type f | wc -l)
  findings=$(find "$work/findings" -type f | wc -l)
  # A run that stopped for any other reason is a finding too.
  if [ "$status" -ne 0 ] && [ "$findings" -eq 0 ]; then
    findings=1
  fi
  total_findings=$((total_findings + findings))
  rows+=("| $harness | ${executions:-?} | $run_seconds | $corpus | $findings |")
done

echo "| harness | executions | seconds | corpus entries at end | findings |"
echo "|---|---:|---:|---:|---:|"
printf '%s\n' "${rows[@]}"
[ "$total_findings" -eq 0 ]
