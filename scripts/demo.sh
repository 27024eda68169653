#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, runs the shipping
# Setup.exe with the demo payloads under Wine in a virtual display (natively
# or in the emulated machine, as scripts/wine-env.sh decides) and reports what
# it did. Screenshots land in <build>/demo/ as PNG.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/prepare-run.sh
out=$build/demo
rm -rf "$out" && mkdir -p "$out"

echo "Setup.exe: $(windows_describe "$build"), $(stat -c %s "$build/bin/Setup.exe") bytes"
echo
started=$(date +%s.%N)
status=0
windows_job "$build" bash scripts/windows-program.sh "$build" "$build/bin/run_demo.exe" \
  "Z:$(echo "$out" | tr / '\\')" || status=$?
elapsed=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')

for bmp in "$out"/*.bmp; do
  [ -f "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo
echo "the whole Windows side took $elapsed s ($(windows_runner "$build"), prefix included)"
echo "screenshots:"
ls -1 "$out"/*.png 2>/dev/null | sed 's/^/  /' || echo "  (none)"
if [ "$status" != 0 ]; then
  echo "the demo did not end as expected (status $status): see the report above"
fi
exit $status
