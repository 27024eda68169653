#!/usr/bin/env bash
# The benchmark: builds what it needs, makes installer payloads of real Windows
# binaries and the peer's NSIS installers of the same programs, and prints
# three tables: the shipping 32-bit Setup.exe against the 32-bit peer (where
# this machine runs 32-bit programs only emulated: ratios only), its x86_64
# twin against the 64-bit peer natively, and the sizes. Not part of the test run.
#
#   bash bench/run.sh            # 5 runs per contender, payloads of 1, 64, 256 MB
#   RUNS=9 SIZES="1 64" bash bench/run.sh
#   BENCH_TWIN=0 bash bench/run.sh   # without the x86_64 twin's native table
#
# The build folder is ${BUILD_DIR:-build} as for the other scripts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${RUNS:-5}
sizes=${SIZES:-1 64 256}

. scripts/prepare-run.sh
twin=$build-x64
with_twin=${BENCH_TWIN:-1}
cmake --build "$build" --target bench_floor bench_setup >&2
# The x86_64 twin of the same sources: its table is of native runs.
if [ "$with_twin" = 1 ]; then
  SETUP_PRESET=x64 BUILD_DIR=$twin bash scripts/build.sh >&2
  cmake --build "$twin" --target bench_setup >&2
fi

# Writes file $1 from standard input only when it changes, so makensis reruns only then.
write_if_changed() {
  cat > "$1.new"
  if cmp -s "$1.new" "$1"; then rm -f "$1.new"; else mv "$1.new" "$1"; fi
}
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

# One table: a build's Setup.exe against the peer whose stub matches it,
# payloads padded with Wine's own DLLs of the same kind.
#   table <build> <NSIS target> <DLL folder> [--ratios]
table() {
  local b=$1 peer_target=$2 dlls=$3 ratios=${4:-}
  # The payloads: the build's stand-in wizard, padded with DLLs.
  local payloads=$b/bench-payloads
  echo "making payloads of $sizes MB in $payloads" >&2
  python3 bench/make_payloads.py "$b/bin/VutSetup.exe" "$dlls" "$payloads" $sizes >&2
  # The peer: an NSIS installer (Debian's makensis) per size that carries the
  # same payload program, zlib-compressed (not solid), unpacks it into $TEMP
  # and starts it with the arguments Setup.exe gives its wizard in a /s run.
  # bench_setup.exe runs payloads/peer-<MB>.exe when present.
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
    local exe=$payloads/peer-$mb.exe
    if [ ! -e "$exe" ] || [ "$exe" -ot "$payloads/peer-$mb.nsi" ] || [ "$exe" -ot "$payloads/wizard-$mb.exe" ]; then
      echo "making the peer $exe ($peer_target)" >&2
      (cd "$payloads" && makensis -V1 "peer-$mb.nsi" >&2)
    fi
  done
  echo "Setup.exe: $(windows_describe "$b"); the peer's stub: $peer_target"
  # The first run of each size puts the uninstaller in place itself
  # (windows-program.sh starts from a prefix without it).
  windows_job "$b" bash scripts/windows-program.sh "$b" "$b/bin/bench_setup.exe" $ratios \
    "$(winpath "$payloads")" "$runs" $sizes
}

if ! command -v makensis >/dev/null 2>&1; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends nsis >&2
fi

echo >&2
echo "Setup.exe benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'); $runs runs each, contenders alternating"
echo "machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $("$WINE64" --version 2>/dev/null || echo Wine)"
echo
echo "### The shipping 32-bit Setup.exe against the 32-bit peer"
echo
if [ "$(windows_runner "$build")" = emulated ]; then
  echo "Both contenders run alternating in the same emulated machine. Only ratios are given: emulation slows computation and system calls by different factors, so its absolute times say nothing about a real machine."
  echo
  table "$build" x86-unicode /usr/lib/i386-linux-gnu/wine/i386-windows --ratios
else
  table "$build" x86-unicode /usr/lib/i386-linux-gnu/wine/i386-windows
fi
echo
if [ "$with_twin" = 1 ]; then
  echo "### The x86_64 twin against the 64-bit peer, natively"
  echo
  table "$twin" amd64-unicode /usr/lib/x86_64-linux-gnu/wine/x86_64-windows
  echo
fi

echo "### Sizes of the shipping 32-bit program"
echo
echo "| Figure | Size | Note |"
echo "|---|---|---|"
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
[ "$with_twin" = 1 ] || exit 0
twin_overhead=$(( $(stat -c %s "$twin/bin/Setup.exe") - $(stat -c %s "$twin/payloads/installer.rec") - $(stat -c %s "$twin/payloads/uninstaller.rec") ))
echo "| Peer (NSIS, zlib) stub, amd64-unicode: empty silent installer | $(kb "$stub64") | the x86_64 twin's overhead, $(kb "$twin_overhead"), is $(awk -v a="$twin_overhead" -v b="$stub64" 'BEGIN { printf "%.2f", a / b }') of it |"
