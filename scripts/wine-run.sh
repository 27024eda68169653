#!/usr/bin/env bash
# Runs a Windows program of a build under Wine, in the build's own prefix
# (<build>/wineprefix, beside <build>/bin where the programs live), or in the
# prefix SETUP_WINEPREFIX names. ctest starts every suite through this.
set -eu
exe=$1; shift
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
windows_env "$(cd "$(dirname "$exe")/.." && pwd)"
[ -f "$WINEPREFIX/system.reg" ] || bash "$root/scripts/make-wineprefix.sh" "$WINEPREFIX"
exec "$WINE" "$exe" "$@"
