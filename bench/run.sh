#!/usr/bin/env bash
# The benchmark: builds what it needs, makes installer payloads of real Windows
# binaries and the peer's NSIS installers of the same programs, runs everything
# under Wine in one virtual display and prints one table. Not part of the test run.
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

# The peer: an NSIS installer (Debian's makensis) per size that carries the
# same payload program, zlib-compressed (not solid), unpacks it into $TEMP and
# starts it with the arguments Setup.exe gives its wizard in a /s run. Its stub
# matches the program that is timed: amd64 beside the x86_64 twin, x86 beside
# the 32-bit Setup.exe. bench_setup.exe runs payloads/peer-<MB>.exe when present.
if ! command -v makensis >/dev/null 2>&1; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends nsis >&2
fi
if [ "$SETUP_RUN_ARCH" = x86_64 ]; then peer_target=amd64-unicode; else peer_target=x86-unicode; fi
# Writes file $1 from standard input only when it changes, so makensis reruns only then.
write_if_changed() {
  cat > "$1.new"
  if cmp -s "$1.new" "$1"; then rm -f "$1.new"; else mv "$1.new" "$1"; fi
}
for mb in $sizes; do
  write_if_changed "$payloads/peer-$mb.nsi" <<NSI
Target $peer_target
SetCompressor zlib
SilentInstall silent
RequestExecutionLevel user
OutFile "peer-$mb.exe"
Section
  SetOutPath "\$TEMP"
  File "/oname=vutpeer-$mb.exe" "wizard-$mb.exe"
  Exec '"\$TEMP\vutpeer-$mb.exe" \$EXEDIR\ /s'
SectionEnd
NSI
  exe=$payloads/peer-$mb.exe
  if [ ! -e "$exe" ] || [ "$exe" -ot "$payloads/peer-$mb.nsi" ] || [ "$exe" -ot "$payloads/wizard-$mb.exe" ]; then
    echo "making the peer $exe ($peer_target)" >&2
    (cd "$payloads" && makensis -V1 "peer-$mb.nsi" >&2)
  fi
done

# The first run of each size puts the uninstaller in place itself.
rm -rf "$WINEPREFIX/drive_c/Program Files/Quelt" "$WINEPREFIX/drive_c/Program Files (x86)/Quelt"

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

echo >&2
echo "Setup.exe benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'); $runs runs each, contenders alternating" 
echo "machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $("$WINE" --version 2>/dev/null || echo Wine)"
if [ "$run_build" != "$build" ]; then
  echo "this kernel runs no 32-bit programs: timings are of the x86_64 twin ($run_build) and of the peer with the amd64 NSIS stub, sizes of the shipping 32-bit build"
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
# The peer's stub: an NSIS installer (zlib) with nothing in it, of both kinds.
# The 32-bit one is the shipping Setup.exe's size peer; the amd64 one is the
# stub of the peer that is run beside the x86_64 twin.
stubs=$build/bench-peer
mkdir -p "$stubs"
for target in x86-unicode amd64-unicode; do
  write_if_changed "$stubs/empty-$target.nsi" <<NSI
Target $target
SetCompressor zlib
SilentInstall silent
RequestExecutionLevel user
OutFile "empty-$target.exe"
Section
SectionEnd
NSI
  (cd "$stubs" && makensis -V1 "empty-$target.nsi" >&2)
done
stub32=$(stat -c %s "$stubs/empty-x86-unicode.exe")
stub64=$(stat -c %s "$stubs/empty-amd64-unicode.exe")
echo "| Peer (NSIS, zlib) stub, x86-unicode: empty silent installer | $(kb "$stub32") | Setup.exe (32-bit) overhead is $(awk -v a="$overhead" -v b="$stub32" 'BEGIN { printf "%.2f", a / b }') of it |"
if [ "$run_build" != "$build" ]; then
  twin_overhead=$(( $(stat -c %s "$run_build/bin/Setup.exe") - $(stat -c %s "$run_build/payloads/installer.rec") - $(stat -c %s "$run_build/payloads/uninstaller.rec") ))
  echo "| Peer (NSIS, zlib) stub, amd64-unicode: empty silent installer | $(kb "$stub64") | the x86_64 twin's overhead, $(kb "$twin_overhead"), is $(awk -v a="$twin_overhead" -v b="$stub64" 'BEGIN { printf "%.2f", a / b }') of it |"
else
  echo "| Peer (NSIS, zlib) stub, amd64-unicode: empty silent installer | $(kb "$stub64") | |"
fi
