#!/usr/bin/env bash
# Creates a fresh 32-bit Wine prefix at $1 (once; about 10 s).
set -eu
prefix=$1
[ -f "$prefix/system.reg" ] && exit 0
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
echo "creating Wine prefix $prefix"
wineboot -i >/dev/null 2>&1
wineserver -w
