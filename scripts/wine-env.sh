# Sourced by the scripts: decides how this machine runs Windows programs.
#
# Setup.exe ships as a 32-bit program and runs under Wine's 32-bit loader
# wherever the kernel runs 32-bit processes. Some kernels have 32-bit
# emulation switched off (dmesg: "32-bit emulation disabled"); there no 32-bit
# process starts, Wine's included, and the programs of the x86_64 twin build
# (the same sources) run under 64-bit Wine instead.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  SETUP_RUN_ARCH=i686
  WINE=/usr/lib/wine/wine
  export WINEARCH=win32
else
  SETUP_RUN_ARCH=x86_64
  WINE=/usr/lib/wine/wine64
  export WINEARCH=win64
  export WINELOADER=$WINE
fi
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=wineserver
export WINESERVER
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Build folder whose programs this machine can run.
setup_run_build() {
  if [ "$SETUP_RUN_ARCH" = i686 ]; then echo "$1"; else echo "$1-x64"; fi
}
