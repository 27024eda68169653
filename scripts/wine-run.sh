#!/usr/bin/env bash
# Runs a Windows program of this build under Wine, in the build's own prefix
# (<build>/wineprefix, beside <build>/bin where the programs live).
set -eu
exe=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
bin=$(cd "$(dirname "$exe")" && pwd)
export WINEPREFIX=${SETUP_WINEPREFIX:-$(dirname "$bin")/wineprefix}
[ -f "$WINEPREFIX/system.reg" ] || "$here/make-wineprefix.sh" "$WINEPREFIX"
exec "$WINE" "$exe" "$@"
