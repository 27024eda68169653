#!/usr/bin/env bash
# Authenticode signing of Setup.exe with Debian's osslsigncode.
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

case ${1:-} in
check)
  check_inputs "${2:-}" "${3:-}"
  ;;
sign)
  unsigned=$2 output=$3 p12=$4 pass=$5 description=$6 url=$7 timestamp=$8
  # Whatever stood there was signed from other inputs.
  rm -f "$output"
  check_inputs "$p12" "$pass"
  partial=$output.signing
  chain=$output.chain.pem
  trap 'rm -f "$partial" "$chain"' EXIT
  rm -f "$partial"
  options=(-pkcs12 "$p12" -readpass "$pass" -h sha256)
  [ -z "$description" ] || options+=(-n "$description")
  [ -z "$url" ] || options+=(-i "$url")
  [ -z "$timestamp" ] || options+=(-ts "$timestamp")
  if ! said=$(osslsigncode sign "${options[@]}" -in "$unsigned" -out "$partial" 2>&1); then
    fail "signing $unsigned failed: $said"
  fi
  # The chain the certificate file carries, and the roots this system trusts.
  openssl pkcs12 -in "$p12" -passin "file:$pass" -nokeys 2>/dev/null > "$chain"
  [ ! -f /etc/ssl/certs/ca-certificates.crt ] || cat /etc/ssl/certs/ca-certificates.crt >> "$chain"
  if ! said=$(osslsigncode verify -CAfile "$chain" -in "$partial" 2>&1); then
    fail "the signed file does not verify against the certificate's chain: $(grep -iE 'fail|error' <<<"$said" | head -n 3)"
  fi
  mv "$partial" "$output"
  echo "signed $output: $(grep -m1 -i 'Subject:' <<<"$said" | sed 's/^[[:space:]]*//')"
  ;;
*)
  echo "usage: sign-setup.sh check|sign ..." >&2
  exit 2
  ;;
esac
