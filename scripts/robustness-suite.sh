#!/usr/bin/env bash
# One suite of the robustness campaign, run where the build's programs run
# (robustness.sh starts this through windows_job), with its case log in this
# side's own temporary folder: one append per case adds up to minutes over the
# emulated machine's shared folders. The log is appended to <cases> at the end.
#   robustness-suite.sh <build> <suite> <gtest filter> <cases>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1 suite=$2 filter=$3 cases=$4
. "$root/scripts/small-volume.sh"
log=$(mktemp "${TMPDIR:-/tmp}/cases-$suite.XXXXXX")
small_volume_mount
trap 'rm -f "$log"; small_volume_unmount' EXIT
export SETUP_CASE_LOG="Z:$(echo "$log" | tr / '\\')"
# Every repeated case at its full count.
export SETUP_CAMPAIGN=full
status=0
bash "$root/scripts/windows-program.sh" "$build" "$build/bin/test_$suite.exe" --gtest_filter="$filter" || status=$?
cat "$log" >> "$cases"
exit $status
