#!/usr/bin/env bash
# Runs a Windows program of this build under Wine, in the build's own 32-bit
# prefix (<build>/wineprefix, beside <build>/bin where the programs live).
set -eu
exe=$1; shift
bin=$(cd "$(dirname "$exe")" && pwd)
export WINEPREFIX=${SETUP_WINEPREFIX:-$(dirname "$bin")/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$(dirname "$0")/make-wineprefix.sh" "$WINEPREFIX"
fi
exec wine "$exe" "$@"
