#!/usr/bin/env bash
# The vendor's command, run from an unpacked kit: the vendor file in,
# Setup.exe and Setup.json out, with nothing compiled:
#   bash <kit>/scripts/build-setup.sh [-B <build folder>] [<vendor file>] [-D<setting>=<value>...]
# The build folder (default ./build) gets bin/Setup.exe and bin/Setup.json
# (and bin/Setup.winget.yaml with the winget settings).
# Needs a shell, cmake (it reads the vendor file) and python3 with pefile;
# osslsigncode and openssl only to sign (and the token's PKCS#11 parts for a
# key on one), and a 32-bit Wine only for the program check. Never root.
set -euo pipefail
kit=$(cd "$(dirname "$0")/.." && pwd)
build=$PWD/build
settings=()
while [ $# -gt 0 ]; do
  case $1 in
  -B) build=${2:?-B needs a folder}; shift 2 ;;
  -B*) build=${1#-B}; shift ;;
  -D*) settings+=("$1"); shift ;;
  *) settings+=("-DSETUP_VENDOR_FILE=$(realpath -m "$1")"); shift ;;
  esac
done

missing() { # <tool> <what for> <Debian and Ubuntu package> <Fedora package>
  echo "error: $1 is not installed; the kit needs it to $2. Install it: on Debian and Ubuntu" \
       "the package $3, on Fedora $4." >&2
  exit 1
}
command -v cmake >/dev/null || missing cmake "read the vendor file" cmake cmake
# Debian's and Fedora's pefile install for the system's interpreter.
python=${SETUP_PYTHON:-/usr/bin/python3}
[ -x "$python" ] || missing "$python" "run its tools" python3 python3
"$python" -c "import pefile" 2>/dev/null || missing "pefile (for $python)" "read Windows programs" python3-pefile python3-pefile
[ -f "$kit/bin/SetupCore.exe" ] ||
  { echo "error: $kit is not an unpacked kit (bin/SetupCore.exe is missing): bash scripts/make-kit.sh makes one" >&2; exit 1; }

mkdir -p "$build"
build=$(cd "$build" && pwd)
cmake -DVENDOR_KIT_ROOT="$kit" -DVENDOR_KIT_OUT="$build" -DVENDOR_KIT_STANDINS="$kit/bin" \
  -DVENDOR_KIT_STANDIN_ICON="$kit/res/setup.ico" -DPython3_EXECUTABLE="$python" "${settings[@]}" \
  -P "$kit/cmake/VendorKit.cmake"
exec "$python" "$kit/tools/make_setup.py" --kit "$kit" --core "$kit/bin" --settings "$build/vendor/settings" --out "$build"
