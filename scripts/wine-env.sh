# Sourced by the scripts: the one place that decides how this machine runs
# Windows programs. Expects $root.
#
# A build's programs are run for what they are. 32-bit ones (the shipping
# Setup.exe and everything the tests and the demo run) go to Wine's 32-bit
# loader wherever the kernel runs 32-bit code. Some kernels run none at all
# (no 32-bit code segment, so even Wine's WoW64 mode dies); there the same
# Wine runs inside an emulated x86_64 machine (scripts/vm/) that sees this
# machine's own files. 64-bit programs (the benchmark's x86_64 twin) always
# run natively under 64-bit Wine.
#
#   windows_job <build> <command> [args...]   runs the command where that
#       build's programs run, with windows_env set for it
#   windows_env <build>                       exports WINE, WINEARCH and
#       WINEPREFIX (<build>/wineprefix) for that build's programs
#   windows_describe <build>                  one line: file, machine, how run
#   windows_missing                           why no 32-bit program can run
#       here (what to install), or nothing when one can
WINE32=/usr/lib/wine/wine
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=wineserver
export WINESERVER
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

if "$WINE32" --version >/dev/null 2>&1; then
  SETUP_KERNEL_RUNS_32BIT=yes
else
  SETUP_KERNEL_RUNS_32BIT=no
fi

windows_missing() {
  local wine="Wine's 32-bit loader, $WINE32 (Debian and Ubuntu: wine and wine32:i386; Fedora: wine-core.i686)"
  local xvfb="xvfb-run (Debian and Ubuntu: xvfb and xauth; Fedora: xorg-x11-server-Xvfb)"
  if [ ! -x "$WINE32" ]; then
    echo "no 32-bit Wine is installed: $wine"
  elif ! command -v xvfb-run >/dev/null; then
    echo "no virtual display: $xvfb"
  elif [ "$SETUP_KERNEL_RUNS_32BIT" = no ]; then
    # The emulated machine's parts; its kernel comes from the package archive.
    local tool
    for tool in qemu-system-x86_64 busybox cpio apt-get; do
      if ! command -v "$tool" >/dev/null; then
        echo "this kernel runs no 32-bit code, and $tool, which the emulated machine that runs them needs, is not installed"
        return
      fi
    done
  fi
}

# The machine type of a build, from its Setup.exe's PE header or, while that
# is not linked yet, from the build's program checker (built with it).
windows_machine() {
  local program=$1/bin/Setup.exe
  [ -e "$program" ] || program=$1/bin/check_uninstaller.exe
  # Debian's interpreter: it imports Debian's pefile.
  /usr/bin/python3 "$root/tools/pe_machine.py" "$program"
}

# native or emulated, for a build's programs.
windows_runner() {
  if [ "$(windows_machine "$1")" = i386 ] && [ "$SETUP_KERNEL_RUNS_32BIT" = no ]; then
    echo emulated
  else
    echo native
  fi
}

windows_env() {
  if [ "$(windows_machine "$1")" = i386 ]; then
    WINE=$WINE32
    # A 64-bit prefix named by the caller (32-bit programs on 64-bit Windows)
    # keeps its own kind.
    export WINEARCH=${SETUP_WINEARCH:-win32}
  else
    WINE=$WINE64
    export WINEARCH=win64
  fi
  # Wine starts further programs, and the tests' Linux relays, through this.
  export WINE WINELOADER=$WINE
  export WINEPREFIX=${SETUP_WINEPREFIX:-$1/wineprefix}
}

# One job at a time per prefix: two would share it and its uninstaller home,
# each under a Wine server of its own. The emulated machine's kernel is kept
# in <build>/vm, or in SETUP_VM_DIR (builds made by the tests share one).
windows_job() {
  local build=$1; shift
  windows_env "$build"
  mkdir -p "$build" "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ "$(windows_runner "$build")" = emulated ]; then
      BUILD_DIR=$build SETUP_VM_WRITABLE=${SETUP_VM_WRITABLE:+$SETUP_VM_WRITABLE:}$(dirname "$WINEPREFIX") \
        bash "$root/scripts/vm/run.sh" "${SETUP_VM_DIR:-$build/vm}" "$@"
    else
      "$@"
    fi
  ) 9>"$WINEPREFIX.lock"
}

windows_describe() {
  local how
  if [ "$(windows_runner "$1")" = emulated ]; then
    how="emulated: this kernel runs no 32-bit code, so Wine runs in an emulated x86_64 machine"
  else
    how="native Wine"
  fi
  echo "$1/bin/Setup.exe ($(windows_machine "$1"), $how)"
}
