#!/usr/bin/env bash
# The vendor kit's build against makensis, in one run: the kit's command
# building the example vendor file (unsigned, without the program check) in
# a fresh build folder, the same again with nothing changed, and Debian's
# makensis building the benchmark's peer script (bench/run.sh) carrying the
# same two programs; they alternate, run after run. Signing through a
# SoftHSM2 token is timed apart. Prints a Markdown table; not part of the tests.
#   bash bench/kit.sh            # 5 runs each
#   RUNS=9 bash bench/kit.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${RUNS:-5}
build=$(realpath -m "${BUILD_DIR:-$root/build}")
work=$(mktemp -d "${TMPDIR:-/tmp}/kit-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
command -v makensis >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends nsis >&2
kit=$(BUILD_DIR=$build bash scripts/make-kit.sh "$work/archive" | tail -n 1 | cut -d: -f1)
tar -xzf "$kit" -C "$work"
command=$(ls "$work"/setup-kit-*/scripts/build-setup.sh)
vendor=$root/tests/vendor/kvalita.cmake

# The peer: bench/run.sh's script, with the same two programs the kit packs.
cp "$(dirname "$command")"/../bin/{VutSetup.exe,VutUndo.exe} "$work/"
cat > "$work/peer.nsi" <<'NSI'
Target x86-unicode
SetCompressor zlib
SilentInstall silent
RequestExecutionLevel user
OutFile "peer.exe"
Section
  SetOutPath "$TEMP"
  File "/oname=vutpeer.exe" "VutSetup.exe"
  File "/oname=vutundo.exe" "VutUndo.exe"
  Exec '"$TEMP\vutpeer.exe" $EXEDIR\ /s'
SectionEnd
NSI

# A token with a throwaway key, as the tests make one.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Kit Benchmark" -addext extendedKeyUsage=codeSigning 2>/dev/null
mkdir -p "$work/tokens" && printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' \
  "$work/tokens" > "$work/softhsm2.conf"
export SOFTHSM2_CONF=$work/softhsm2.conf
module=/usr/lib/softhsm/libsofthsm2.so
pkcs11-tool --module "$module" --init-token --slot 0 --label Bench --so-pin 5678 --init-pin --pin 1234 >/dev/null 2>&1
openssl pkey -in "$work/key.pem" -outform DER -out "$work/key.der"
openssl x509 -in "$work/cert.pem" -outform DER -out "$work/cert.der"
for kind in privkey:key cert:cert; do
  pkcs11-tool --module "$module" --token-label Bench --login --pin 1234 --write-object "$work/${kind#*:}.der" \
    --type "${kind%:*}" --id 01 --label codesign >/dev/null 2>&1
done
echo 1234 > "$work/pin.txt"
signing=(-DSETUP_SIGN_PKCS11_MODULE=$module "-DSETUP_SIGN_KEY=pkcs11:token=Bench;object=codesign;type=private"
         -DSETUP_SIGN_CERTS="$work/cert.pem" -DSETUP_SIGN_PIN_FILE="$work/pin.txt")

ms() { local started=$(date +%s%N); "$@" > "$work/last.log" 2>&1 || { cat "$work/last.log" >&2; exit 1; }
       echo $((($(date +%s%N) - started) / 1000000)); }
declare -A times
for run in $(seq "$runs"); do
  rm -rf "$work/out" "$work/signed"
  times[kit]+=" $(ms bash "$command" -B "$work/out" "$vendor" -DSETUP_CHECK_PROGRAMS=OFF)"
  times[again]+=" $(ms bash "$command" -B "$work/out" "$vendor" -DSETUP_CHECK_PROGRAMS=OFF)"
  grep -q "no work to do" "$work/last.log"
  times[nsis]+=" $(cd "$work" && ms makensis -V1 peer.nsi)"
  times[signed]+=" $(ms bash "$command" -B "$work/signed" "$vendor" -DSETUP_CHECK_PROGRAMS=OFF "${signing[@]}")"
done

row() { # <label> <key> <note>
  local sorted
  sorted=$(tr ' ' '\n' <<<"${times[$2]}" | grep . | sort -n)
  printf '| %s | %s (%s to %s) | %s |\n' "$1" "$(sed -n "$(( (runs + 1) / 2 ))p" <<<"$sorted")" \
    "$(head -n 1 <<<"$sorted")" "$(tail -n 1 <<<"$sorted")" "$3"
}
echo "Vendor kit benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'); $runs runs each, alternating; $(nproc) CPUs; $(makensis -VERSION)"
echo
echo "| Build | Wall time, ms: median (min to max) | Note |"
echo "|---|---|---|"
row "kit: \`build-setup.sh kvalita.cmake\`, fresh build folder" kit \
  "unsigned, no program check; Setup.exe $(stat -c %s "$work/out/bin/Setup.exe") bytes"
row "kit: the same again, nothing changed" again "no work to do"
row "makensis: the peer script of the same two programs" nsis "peer.exe $(stat -c %s "$work/peer.exe") bytes"
row "kit, signed through SoftHSM2 (apart)" signed "Setup.exe and both carried programs signed, verified; no time stamp"
