#!/usr/bin/env bash
# Authenticode signing with Debian's osslsigncode: Setup.exe, and the two
# programs it carries, which Windows judges on their own signatures once they
# are written to the customer's disk and started.
#
#   sign-setup.sh check <pkcs12> <password file>
#       the configure step's check: both files exist and the password opens
#       the certificate and its private key
#   sign-setup.sh sign <unsigned> <output> <pkcs12> <password file> \
#                      <description> <url> <timestamp url>
#       signs with SHA-256 (empty description, URL or time stamp server: none)
#       and verifies the result against the certificate's own chain and the
#       system's trusted roots. Only a verified file gets the output name; on
#       any failure no file is left there.
#   sign-setup.sh carry <program> <output> <stale> <pkcs12> <password file> \
#                       <description> <url> <timestamp url>
#       a program Setup.exe carries: one that already carries a signature
#       that verifies is copied unchanged (its signer is reported), one whose
#       signature does not verify stops the build, an unsigned one is signed
#       as above. <stale> (the Setup.exe made from the previous programs) is
#       removed first.
#   sign-setup.sh inspect <program>
#       prints the signer of a signed program, or "unsigned"; exits 1 when a
#       signature is present but does not verify
set -euo pipefail

fail() { echo "error: $*" >&2; exit 1; }

check_inputs() { # <pkcs12> <password file>
  local p12=$1 pass=$2
  [ -n "$p12" ] && [ -f "$p12" ] || fail "SETUP_SIGN_PKCS12: certificate file '$p12' does not exist"
  [ -n "$pass" ] || fail "SETUP_SIGN_PASSWORD_FILE is not set: the password of '$p12' is read from a file (one line), never from the command line"
  [ -f "$pass" ] || fail "SETUP_SIGN_PASSWORD_FILE: password file '$pass' does not exist"
  command -v openssl >/dev/null || fail "openssl is not installed (bash scripts/install-deps.sh installs it)"
  command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (bash scripts/install-deps.sh installs it)"
  local said
  if ! said=$(openssl pkcs12 -in "$p12" -passin "file:$pass" -noout 2>&1); then
    if grep -q "invalid password" <<<"$said"; then
      fail "SETUP_SIGN_PASSWORD_FILE: the password in '$pass' does not open '$p12'"
    fi
    fail "SETUP_SIGN_PKCS12: '$p12' is not a PKCS#12 (.p12/.pfx) file that openssl can read: $(head -n 1 <<<"$said")"
  fi
  openssl pkcs12 -in "$p12" -passin "file:$pass" -nocerts -nodes 2>/dev/null | grep -q "PRIVATE KEY" ||
    fail "SETUP_SIGN_PKCS12: '$p12' holds no private key, so nothing can be signed with it"
}

# Every file a run writes besides its output lives here.
work=$(mktemp -d "${TMPDIR:-/tmp}/sign-setup.XXXXXX")
trap 'rm -rf "$work"' EXIT
SYSTEM_ROOTS=/etc/ssl/certs/ca-certificates.crt
# A time stamp server that accepts and never answers must not hold the build.
TIMESTAMP_LIMIT_S=120

# verify_against <file> <trusted certificates>: osslsigncode's report; fails
# as it does. The time stamp's signer is looked up in the same certificates.
verify_against() {
  osslsigncode verify -CAfile "$2" -TSA-CAfile "$2" -in "$1" 2>&1
}

# Why a report says no: its first lines that say so, on one line.
why() {
  grep -iE 'mismatch|failed|error' <<<"$1" | grep -vx 'Failed' | head -n 3 | sed 's/^[[:space:]]*//' | tr -s ' ' | paste -sd ';' - | sed 's/;/; /g'
}

signer() { grep -m1 'Subject:' <<<"$1" | sed 's/^[[:space:]]*Subject:[[:space:]]*//'; }

# sign_file <unsigned> <output>: signs with the vendor's certificate and
# settings, then verifies; only a verified file gets the output name.
sign_file() {
  local unsigned=$1 output=$2 partial=$2.signing said rc=0
  rm -f "$partial"
  local options=(-pkcs12 "$p12" -readpass "$pass" -h sha256)
  [ -z "$description" ] || options+=(-n "$description")
  [ -z "$url" ] || options+=(-i "$url")
  [ -z "$timestamp" ] || options+=(-ts "$timestamp")
  said=$(timeout "$TIMESTAMP_LIMIT_S" osslsigncode sign "${options[@]}" -in "$unsigned" -out "$partial" 2>&1) || rc=$?
  if [ "$rc" != 0 ]; then
    rm -f "$partial"
    [ "$rc" != 124 ] ||
      fail "the time stamp server $timestamp (SETUP_SIGN_TIMESTAMP_URL) did not answer within $TIMESTAMP_LIMIT_S s; $unsigned was not signed"
    if grep -q "timestamping failed" <<<"$said"; then
      fail "the time stamp server $timestamp (SETUP_SIGN_TIMESTAMP_URL) did not answer: $(grep -m1 '^HTTP failure' <<<"$said")" \
           "($(sed -n 's/.*system library:[^:]*:\([^:]*\):.*/\1/p' <<<"$said" | head -n 1)); $unsigned was not signed"
    fi
    fail "signing $unsigned failed: $said"
  fi
  # The chain the certificate file carries, and the roots this system trusts.
  openssl pkcs12 -in "$p12" -passin "file:$pass" -nokeys 2>/dev/null > "$work/chain.pem"
  [ ! -f "$SYSTEM_ROOTS" ] || cat "$SYSTEM_ROOTS" >> "$work/chain.pem"
  if ! said=$(verify_against "$partial" "$work/chain.pem"); then
    rm -f "$partial"
    fail "the signed $unsigned does not verify against the certificate's chain: $(why "$said")"
  fi
  # osslsigncode passes a signature whose time stamp does not verify.
  if [ -n "$timestamp" ] && ! grep -q "Timestamp Server Signature verification: ok" <<<"$said"; then
    rm -f "$partial"
    fail "the time stamp from $timestamp on the signed $unsigned does not verify: $(why "$said")"
  fi
  mv "$partial" "$output"
  local stamped=""
  [ -z "$timestamp" ] || stamped=", time stamp of $(grep -m1 'Timestamp time:' <<<"$said" | sed 's/^[[:space:]]*Timestamp time:[[:space:]]*//')"
  echo "signed $output: $(signer "$said")$stamped"
}

# inspect <program>: "unsigned", or who signed it; stops on a signature that
# does not verify. The signature's own certificates stand in as trusted, so
# that this tells a changed file from one whose signer this system does not
# know; the latter only gets a warning.
inspect() {
  local program=$1 said
  said=$(osslsigncode verify -in "$program" 2>&1) || true
  if grep -q "No signature found" <<<"$said"; then
    echo unsigned
    return
  fi
  osslsigncode extract-signature -pem -in "$program" -out "$work/signature.pem" >/dev/null 2>&1 ||
    fail "$program carries an Authenticode signature that cannot be read"
  openssl pkcs7 -in "$work/signature.pem" -print_certs > "$work/own.pem"
  [ ! -f "$SYSTEM_ROOTS" ] || cat "$SYSTEM_ROOTS" >> "$work/own.pem"
  said=$(verify_against "$program" "$work/own.pem") ||
    fail "$program carries an Authenticode signature that does not verify: $(why "$said")." \
         "Windows treats it as changed after signing and refuses to start it. Sign it again, or give" \
         "the unsigned program: the build does not sign over a broken signature."
  echo "signed by $(signer "$said")"
  if ! verify_against "$program" "$SYSTEM_ROOTS" >/dev/null; then
    echo "warning: the signer of $program, $(signer "$said"), chains to no root this system trusts;" \
         "Windows's app control treats a signature it cannot trust like none" >&2
  fi
}

case ${1:-} in
check)
  check_inputs "${2:-}" "${3:-}"
  ;;
sign)
  unsigned=$2 output=$3 p12=$4 pass=$5 description=$6 url=$7 timestamp=$8
  # Whatever stood there was signed from other inputs.
  rm -f "$output"
  check_inputs "$p12" "$pass"
  sign_file "$unsigned" "$output"
  ;;
carry)
  program=$2 output=$3 stale=$4 p12=$5 pass=$6 description=$7 url=$8 timestamp=$9
  # The Setup.exe there carries the previous programs.
  rm -f "$output" "$stale"
  check_inputs "$p12" "$pass"
  own=$(inspect "$program")
  if [ "$own" = unsigned ]; then
    sign_file "$program" "$output"
  else
    cp "$program" "$output.copying"
    mv "$output.copying" "$output"
    echo "kept the signature of $program, $own, in $output"
  fi
  ;;
inspect)
  inspect "$2"
  ;;
*)
  echo "usage: sign-setup.sh check|sign|carry|inspect ..." >&2
  exit 2
  ;;
esac
