#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, runs Setup.exe with
# the demo payloads under Wine in a virtual display and reports what it did.
# Screenshots land in <build>/demo/ as PNG.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/prepare-run.sh
# Each demo starts from a machine that has never seen the product.
rm -rf "$WINEPREFIX/drive_c/Program Files/Quelt"
out=$build/demo
rm -rf "$out" && mkdir -p "$out"

echo "Setup.exe: $build/bin/Setup.exe ($(stat -c %s "$build/bin/Setup.exe") bytes, 32-bit)"
if [ "$run_build" != "$build" ]; then
  echo "this kernel runs no 32-bit programs: running its x86_64 twin, $run_build/bin/Setup.exe"
fi
echo
status=0
xvfb-run -a -s "-screen 0 1024x768x24" \
  "$WINE" "$run_build/bin/run_demo.exe" "Z:$(echo "$out" | tr / '\\')" || status=$?

for bmp in "$out"/*.bmp; do
  [ -f "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo
echo "screenshots:"
ls -1 "$out"/*.png 2>/dev/null | sed 's/^/  /' || echo "  (none)"
exit $status
