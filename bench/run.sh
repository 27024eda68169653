#!/usr/bin/env bash
# The benchmark: builds what it needs, makes installer payloads of real Windows
# binaries, runs everything under Wine in one virtual display and prints one
# table. Not part of the test run.
#
#   bash bench/run.sh            # 5 runs per contender, payloads of 1, 64, 256 MB
#   RUNS=9 SIZES="1 64" bash bench/run.sh
#
# The build folder is ${BUILD_DIR:-build} as for the other scripts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${RUNS:-5}
sizes=${SIZES:-1 64 256}
dlls=${BENCH_DLLS:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}

. scripts/prepare-run.sh
cmake --build "$build" --target bench_floor >&2
cmake --build "$run_build" --target bench_setup >&2

# The payloads: the stand-in wizard this machine runs, padded with DLLs.
payloads=$run_build/bench-payloads
echo "making payloads of $sizes MB in $payloads" >&2
python3 bench/make_payloads.py "$run_build/bin/VutSetup.exe" "$dlls" "$payloads" $sizes >&2

# The first run of each size puts the uninstaller in place itself.
rm -rf "$WINEPREFIX/drive_c/Program Files/Quelt" "$WINEPREFIX/drive_c/Program Files (x86)/Quelt"

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

echo >&2
echo "Setup.exe benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'); $runs runs each, contenders alternating" 
echo "machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $("$WINE" --version 2>/dev/null || echo Wine)"
if [ "$run_build" != "$build" ]; then
  echo "this kernel runs no 32-bit programs: timings are of the x86_64 twin ($run_build), sizes of the shipping 32-bit build"
fi
echo
xvfb-run -a -s "-screen 0 1024x768x24" \
  "$WINE" "$run_build/bin/bench_setup.exe" "$(winpath "$payloads")" "$runs" $sizes | tr -d '\r'

# Size rows, for the shipping 32-bit program.
setup_size=$(stat -c %s "$build/bin/Setup.exe")
records=$(( $(stat -c %s "$build/payloads/installer.rec") + $(stat -c %s "$build/payloads/uninstaller.rec") ))
overhead=$(( setup_size - records ))
floor=$(stat -c %s "$build/bin/bench_floor.exe")
own=$(( overhead - floor ))
kb() { awk -v b="$1" 'BEGIN { printf "%.1f KB", b / 1024 }'; }
echo "| Setup.exe (32-bit) file size | $(kb "$setup_size") | with the stand-ins' records, $(kb "$records") together |"
echo "| Setup.exe overhead (file minus both records) | $(kb "$overhead") | |"
echo "| Floor: C++ streams + Boost.Filesystem, static | $(kb "$floor") | bench/floor.cpp, same flags, stripped |"
echo "| The project's own share of the overhead | $(kb "$own") | overhead minus floor: code, resources, zlib, GUI |"
# The peer's stub: an NSIS installer (zlib) with nothing in it. NSIS stubs are
# 32-bit, so on a kernel without 32-bit emulation the peer is sized, not run.
if ! command -v makensis >/dev/null 2>&1; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends nsis >&2
fi
peer=$build/bench-peer
mkdir -p "$peer"
cat > "$peer/empty.nsi" <<'NSI'
SetCompressor zlib
SilentInstall silent
RequestExecutionLevel user
OutFile "empty.exe"
Section
SectionEnd
NSI
(cd "$peer" && makensis -V1 empty.nsi >&2)
peer_stub=$(stat -c %s "$peer/empty.exe")
echo "| Peer (NSIS, zlib) stub: empty silent installer | $(kb "$peer_stub") | Setup.exe overhead is $(awk -v a="$overhead" -v b="$peer_stub" 'BEGIN { printf "%.2f", a / b }') of it |"
if [ "$SETUP_RUN_ARCH" = x86_64 ]; then
  echo "| Peer (NSIS) run times | not measured | its stubs are 32-bit and this kernel runs no 32-bit programs |"
fi
