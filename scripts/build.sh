#!/usr/bin/env bash
# Installs what is missing, then configures and builds everything into
# ${BUILD_DIR:-build} (the shipping 32-bit build). Where this machine cannot
# run 32-bit programs it also builds the x86_64 twin, ${BUILD_DIR}-x64, whose
# programs the tests and the demo run. Fast when nothing changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${BUILD_DIR:-$root/build}

bash scripts/install-deps.sh
bash scripts/fetch-boost-source.sh
. scripts/wine-env.sh

# Arguments (cache settings such as -DSETUP_INSTALLER_PROGRAM=...) reconfigure.
configure_and_build() { # <preset> <dir> <first-time settings...> -- [settings]
  local preset=$1 dir=$2; shift 2
  local first=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do first+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake --preset "$preset" -B "$dir" "${first[@]}" "$@"
  elif [ $# -gt 0 ]; then
    cmake -B "$dir" "$@"
  fi
  cmake --build "$dir"
}

configure_and_build default "$build" -- "$@"
if [ "$SETUP_RUN_ARCH" = x86_64 ]; then
  configure_and_build x64 "$build-x64" -DSETUP_SHIPPING_EXE="$build/bin/Setup.exe" -- "$@"
fi
