#!/usr/bin/env bash
# Creates a fresh Wine prefix at $1 of the kind WINEARCH names (once): win32
# about 10 s natively and 2 minutes emulated, win64 about 5 minutes emulated.
set -eu
prefix=$(realpath -m "$1") # Wine takes absolute prefixes only
[ -f "$prefix/system.reg" ] && exit 0
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX=$prefix
# A 64-bit prefix is made by the 64-bit loader: through the 32-bit one it
# takes far longer.
if [ "${WINEARCH:-win32}" = win64 ]; then loader=$WINE64; else loader=$WINE32; fi
started=$SECONDS
echo "creating Wine prefix $prefix (${WINEARCH:-win32})"
rm -rf "$prefix.partial"
WINEPREFIX=$prefix.partial "$loader" wineboot -i >/dev/null 2>&1
export WINEPREFIX=$prefix.partial
# Consoles as wide as any log line, so a long command line stays on one row
# for the tests that read consoles back.
"$loader" reg add 'HKCU\Console' /v ScreenBufferSize /t REG_DWORD /d 0x00C80400 /f >/dev/null 2>&1
"$loader" reg add 'HKCU\Console' /v WindowSize /t REG_DWORD /d 0x00190064 /f >/dev/null 2>&1
# No window manager runs in the virtual display: Wine draws captions and frames
# itself, so screenshots show what a user sees.
"$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
"$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
"$WINESERVER" -w
# Only a finished prefix gets the name, so a run cut short makes a new one.
rm -rf "$prefix"
mv "$prefix.partial" "$prefix"
echo "created Wine prefix $prefix in $((SECONDS - started)) s"
