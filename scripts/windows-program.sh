#!/usr/bin/env bash
# Runs one Windows program of a build in a virtual display, where the build's
# programs run (the demo and the benchmark start this through windows_job):
#   windows-program.sh <build> <program> [arguments...]
# The prefix is made when missing and, as on a machine that has never seen
# the product, holds no uninstaller home. Carriage returns of the program's
# console output are dropped; the X server's own warnings go to a log, and
# the programs' notes that it went away when the run ended are dropped.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1 program=$2; shift 2
. "$root/scripts/wine-env.sh"
windows_env "$build"
bash "$root/scripts/make-wineprefix.sh" "$WINEPREFIX" >&2
rm -rf "$WINEPREFIX/drive_c/Program Files/Quelt" "$WINEPREFIX/drive_c/Program Files (x86)/Quelt"
status=0
xvfb-run -a -e "$build/xvfb-$(basename "$program" .exe).log" -s "-screen 0 1024x768x24" \
  "$WINE" "$program" "$@" 2> >(grep -v '^X connection to .* broken' >&2) | tr -d '\r' || status=$?
"$WINESERVER" -k 2>/dev/null || true
exit $status
