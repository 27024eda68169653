#!/usr/bin/env bash
# Creates a fresh Wine prefix at $1 (once; 10 to 20 s).
set -eu
prefix=$(realpath -m "$1") # Wine takes absolute prefixes only
[ -f "$prefix/system.reg" ] && exit 0
. "$(dirname "$0")/wine-env.sh"
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX=$prefix
echo "creating Wine prefix $prefix ($WINEARCH)"
"$WINE" wineboot -i >/dev/null 2>&1
# Consoles as wide as any log line, so a long command line stays on one row
# for the tests that read consoles back.
"$WINE" reg add 'HKCU\Console' /v ScreenBufferSize /t REG_DWORD /d 0x00C80400 /f >/dev/null 2>&1
"$WINE" reg add 'HKCU\Console' /v WindowSize /t REG_DWORD /d 0x00190064 /f >/dev/null 2>&1
# No window manager runs in the virtual display: Wine draws captions and frames
# itself, so screenshots show what a user sees.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
"$WINESERVER" -w
