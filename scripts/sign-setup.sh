#!/usr/bin/env bash
# Authenticode signing with Debian's osslsigncode: Setup.exe, and the two
# programs it carries, which Windows judges on their own signatures once they
# are written to the customer's disk and started. The key is a .p12 file, a
# key behind a PKCS#11 module (a token, an HSM, a signing service's module),
# or the vendor's own signing command; the time stamp comes from the first
# server of the list that gives one that verifies.
#
# <settings> is the folder the configure step writes: one file per setting,
# named after it (SETUP_SIGN_PKCS12, SETUP_SIGN_KEY, ...), holding its value.
#
#   sign-setup.sh check <settings> <probe folder>
#       the configure step's check: the files exist, and the key signs a
#       small probe file with the password or PIN given (the token is tried:
#       the module loads, the key is found, the PIN is accepted)
#   sign-setup.sh sign <unsigned> <output> <settings>
#       signs with SHA-256, verifies the result against the certificate's
#       chain and the roots of SETUP_SIGN_TRUSTED_ROOTS (when given), and
#       time-stamps it. Only a
#       verified file gets the output name; on any failure no file is left
#       there, nor the Setup.json beside it.
#   sign-setup.sh carry <program> <output> <stale> <settings>
#       a program Setup.exe carries: one that already carries a signature
#       that verifies is copied unchanged (its signer is reported), one whose
#       signature does not verify stops the build, an unsigned one is signed
#       as above. <stale> (the Setup.exe made from the previous programs) is
#       removed first, with its Setup.json.
#   sign-setup.sh inspect <program> [<roots>]
#       prints the signer of a signed program, or "unsigned"; exits 1 when a
#       signature is present but does not verify; warns when <roots> (a file
#       of trusted roots) is given and the signer chains to none of them
#
# No other roots are trusted: the system's are TLS roots, not the ones
# Windows trusts for code, so nothing here says what Windows would trust
# unless SETUP_SIGN_TRUSTED_ROOTS names those.
set -euo pipefail

fail() { echo "error: $*" >&2; exit 1; }

check_inputs() { # <pkcs12> <password file>
  local p12=$1 pass=$2
  [ -n "$p12" ] && [ -f "$p12" ] || fail "SETUP_SIGN_PKCS12: certificate file '$p12' does not exist"
  [ -n "$pass" ] || fail "SETUP_SIGN_PASSWORD_FILE is not set: the password of '$p12' is read from a file (one line), never from the command line"
  [ -f "$pass" ] || fail "SETUP_SIGN_PASSWORD_FILE: password file '$pass' does not exist"
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

# PKCS#11 and command signing: the certificate and its chain, as PEM.
check_certs() {
  [ -n "$CERTS" ] || fail "SETUP_SIGN_CERTS is not set: the signing certificate and its chain (PEM) are needed to sign with $1 and to verify what it signed"
  [ -f "$CERTS" ] || fail "SETUP_SIGN_CERTS: certificate file '$CERTS' does not exist"
  openssl x509 -in "$CERTS" -noout 2>/dev/null || fail "SETUP_SIGN_CERTS: '$CERTS' holds no PEM certificate"
}

# The key behind a PKCS#11 module signs a probe file; osslsigncode, through
# OpenSSL's PKCS#11 engine, says which of module, key and PIN failed.
check_pkcs11() { # <probe folder>
  [ -n "$PKCS11_MODULE" ] || fail "SETUP_SIGN_KEY is set, but SETUP_SIGN_PKCS11_MODULE is not: the module that reaches the key is needed"
  [ -f "$PKCS11_MODULE" ] || fail "SETUP_SIGN_PKCS11_MODULE: module '$PKCS11_MODULE' does not exist"
  [ -n "$KEY" ] || fail "SETUP_SIGN_KEY is not set: name the key on the token as a pkcs11: URI"
  [[ $KEY == pkcs11:* ]] || fail "SETUP_SIGN_KEY: '$KEY' is not a pkcs11: URI (for example pkcs11:token=...;object=...;type=private)"
  check_certs "a PKCS#11 key"
  [ -z "$PIN_FILE" ] || [ -f "$PIN_FILE" ] || fail "SETUP_SIGN_PIN_FILE: PIN file '$PIN_FILE' does not exist"
  mkdir -p "$1"
  printf '# probe\r\n' > "$1/probe.ps1"
  rm -f "$1/signed.ps1"
  local said
  if ! said=$(osslsigncode sign "${key_options[@]}" -h sha256 -in "$1/probe.ps1" -out "$1/signed.ps1" 2>&1); then
    if grep -qE 'Unable to load (PKCS#11 )?module' <<<"$said"; then
      fail "SETUP_SIGN_PKCS11_MODULE: '$PKCS11_MODULE' does not load as a PKCS#11 module:" \
           "$(grep -m1 -vE 'Engine|Unable' <<<"$said")"
    elif grep -qE 'PIN incorrect|PIN_LEN_RANGE|PIN_LOCKED|Login failed' <<<"$said"; then
      fail "SETUP_SIGN_PIN_FILE: the token refused the PIN in '${PIN_FILE:-(none given)}' for $KEY" \
           "($(grep -m1 -oE 'PIN [a-z_]+' <<<"$said" || echo login failed))"
    elif grep -qE 'object not found|private key was not found' <<<"$said"; then
      fail "SETUP_SIGN_KEY: no private key at $KEY behind $PKCS11_MODULE (the module loaded and the token took the PIN)"
    fi
    fail "SETUP_SIGN_KEY: $KEY could not sign a probe file: $(why "$said")"
  fi
  cat "$CERTS" > "$1/chain.pem"
  [ -z "$TRUSTED_ROOTS" ] || cat "$TRUSTED_ROOTS" >> "$1/chain.pem"
  said=$(verify_against "$1/signed.ps1" "$1/chain.pem") ||
    fail "SETUP_SIGN_CERTS: a probe signed by $KEY does not verify against '$CERTS' (is it the key's certificate, with its chain?): $(why "$said")"
}

check_command() {
  [[ $COMMAND == *"{in}"* && $COMMAND == *"{out}"* ]] ||
    fail "SETUP_SIGN_COMMAND: '$COMMAND' must name the file to sign as {in} and the file to write as {out}"
  check_certs "a command"
}

# load <settings>: the settings as variables, and the key's osslsigncode options.
load() {
  local var
  for var in PKCS12 PASSWORD_FILE PKCS11_MODULE KEY PIN_FILE COMMAND CERTS TRUSTED_ROOTS TIMESTAMP_URL TIMESTAMP_TIMEOUT; do
    printf -v "$var" '%s' "$(cat "$1/SETUP_SIGN_$var")"
  done
  description=$(cat "$1/SETUP_PRODUCT_NAME")
  url=$(cat "$1/SETUP_PRODUCT_URL")
  if [ -n "$PKCS12" ]; then
    method=pkcs12 key_options=(-pkcs12 "$PKCS12" -readpass "$PASSWORD_FILE")
  elif [ -n "$COMMAND" ]; then
    method=command key_options=()
  else
    method=pkcs11 key_options=(-pkcs11module "$PKCS11_MODULE" -key "$KEY" -certs "$CERTS")
    [ -z "$PIN_FILE" ] || key_options+=(-readpass "$PIN_FILE")
  fi
}

check_settings() {
  command -v openssl >/dev/null || fail "openssl is not installed: signing needs it (package openssl on Debian, Ubuntu and Fedora)"
  case $method in
  pkcs12) check_inputs "$PKCS12" "$PASSWORD_FILE" ;;
  pkcs11) check_pkcs11 "$1" ;;
  command) check_command ;;
  esac
  command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (package osslsigncode on Debian, Ubuntu and Fedora)"
}

# Every file a run writes besides its output lives here.
work=$(mktemp -d "${TMPDIR:-/tmp}/sign-setup.XXXXXX")
trap 'rm -rf "$work"' EXIT
TRUSTED_ROOTS=

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

# signed_by <unsigned> <signed>: the vendor's key signs, the kit's way or
# by the vendor's command.
signed_by() {
  local said rc=0
  if [ "$method" = command ]; then
    local run=${COMMAND//\{in\}/$(printf %q "$1")}
    run=${run//\{out\}/$(printf %q "$2")}
    said=$(bash -c "$run" 2>&1) || rc=$?
    [ "$rc" = 0 ] ||
      fail "the signing command (SETUP_SIGN_COMMAND) failed on $1 with exit code $rc: $(tail -n 3 <<<"$said" | paste -sd ' ' -)"
    [ -s "$2" ] || fail "the signing command (SETUP_SIGN_COMMAND) wrote no file for $1"
    return
  fi
  local options=("${key_options[@]}" -h sha256)
  [ -z "$description" ] || options+=(-n "$description")
  [ -z "$url" ] || options+=(-i "$url")
  said=$(osslsigncode sign "${options[@]}" -in "$1" -out "$2" 2>&1) || fail "signing $1 failed: $said"
}

# time_stamp <signed> <stamped> <name>: the first server of the list whose
# time stamp verifies. A server that refuses, does not answer
# within the bound or gives a time stamp that does not verify passes to the
# next one; when none is left, the build stops naming what each did.
time_stamp() {
  local server said rc tried=()
  IFS=';' read -r -a servers <<<"$TIMESTAMP_URL"
  for server in "${servers[@]}"; do
    [ -n "$server" ] || continue
    rm -f "$2"
    rc=0
    said=$(timeout "$TIMESTAMP_TIMEOUT" osslsigncode add -ts "$server" -h sha256 -in "$1" -out "$2" 2>&1) || rc=$?
    if [ "$rc" = 124 ]; then
      tried+=("$server did not answer within $TIMESTAMP_TIMEOUT s")
    elif [ "$rc" != 0 ]; then
      tried+=("$server failed: $(grep -m1 -E '^HTTP failure|Failed' <<<"$said" || tail -n 1 <<<"$said")$(
        sed -n 's/.*system library:[^:]*:\([^:]*\):.*/ (\1)/p' <<<"$said" | head -n 1)")
    elif ! said=$(verify_against "$2" "$work/chain.pem") ||
         ! grep -q "Timestamp Server Signature verification: ok" <<<"$said"; then
      tried+=("$server gave a time stamp that does not verify: $(why "$said")")
    else
      [ ${#tried[@]} = 0 ] ||
        echo "time stamp for $3 from $server, after: $(printf '%s\n' "${tried[@]}" | paste -sd ';' - | sed 's/;/; /g')"
      return 0
    fi
  done
  rm -f "$2"
  fail "no time stamp server (SETUP_SIGN_TIMESTAMP_URL, tried in order) stamped $3, which was not signed:" \
       "$(printf '%s\n' "${tried[@]}" | paste -sd ';' - | sed 's/;/; /g')"
}

# sign_file <unsigned> <output>: signs, verifies, time-stamps; only a
# verified file gets the output name.
sign_file() {
  local unsigned=$1 output=$2 signed=$work/signed/$(basename "$1") said stamped=""
  mkdir -p "$work/signed"
  signed_by "$unsigned" "$signed"
  # The chain the certificate file carries, and the roots given as trusted.
  if [ "$method" = pkcs12 ]; then
    openssl pkcs12 -in "$PKCS12" -passin "file:$PASSWORD_FILE" -nokeys 2>/dev/null > "$work/chain.pem"
  else
    cat "$CERTS" > "$work/chain.pem"
  fi
  [ -z "$TRUSTED_ROOTS" ] || cat "$TRUSTED_ROOTS" >> "$work/chain.pem"
  local against="the certificate's chain${TRUSTED_ROOTS:+ and the roots of SETUP_SIGN_TRUSTED_ROOTS}"
  [ -n "$TRUSTED_ROOTS" ] || against="$against (nothing else is trusted: without SETUP_SIGN_TRUSTED_ROOTS the chain must reach its root)"
  if ! said=$(verify_against "$signed" "$work/chain.pem"); then
    [ "$method" != command ] ||
      fail "the file the signing command (SETUP_SIGN_COMMAND) wrote for $unsigned does not verify against SETUP_SIGN_CERTS: $(why "$said")"
    fail "the signed $unsigned does not verify against $against: $(why "$said")"
  fi
  # A signing service may time-stamp itself; osslsigncode passes a
  # signature whose time stamp does not verify, so that is checked here.
  if grep -q "Timestamp time:" <<<"$said"; then
    grep -q "Timestamp Server Signature verification: ok" <<<"$said" ||
      fail "the time stamp on the signed $unsigned does not verify: $(why "$said")"
  elif [ -n "$TIMESTAMP_URL" ]; then
    time_stamp "$signed" "$signed.stamped" "$unsigned"
    mv "$signed.stamped" "$signed"
    said=$(verify_against "$signed" "$work/chain.pem")
  fi
  grep -q "Timestamp time:" <<<"$said" &&
    stamped=", time stamp of $(grep -m1 'Timestamp time:' <<<"$said" | sed 's/^[[:space:]]*Timestamp time:[[:space:]]*//')"
  cp "$signed" "$output.signing"
  mv "$output.signing" "$output"
  echo "signed $output: $(signer "$said")$stamped"
}

# Whether a report that failed says only that the chain reached no trusted
# root, while the file is as it was signed (its digest matches).
chain_only() {
  local current calculated
  current=$(sed -n 's/^Current message digest *: *\([0-9A-F]*\).*/\1/p' <<<"$1" | head -n 1)
  calculated=$(sed -n 's/^Calculated message digest *: *\([0-9A-F]*\).*/\1/p' <<<"$1" | head -n 1)
  [ -n "$current" ] && [ "$current" = "$calculated" ] && ! grep -q MISMATCH <<<"$1" &&
    grep -qE 'unable to get (local )?issuer certificate|self.signed certificate' <<<"$1"
}

# inspect <program> [<roots>]: "unsigned", or who signed it; stops on a
# signature that does not verify. The signature's own certificates stand in
# as trusted, so that this tells a changed file from one whose signer is not
# known here; the latter, given roots it chains to none of, gets a warning.
inspect() {
  local program=$1 roots=${2:-} said
  # (verify without -CAfile needs the system's bundle, which need not exist)
  if ! said=$(osslsigncode extract-signature -pem -in "$program" -out "$work/signature.pem" 2>&1); then
    if grep -q "No signature found" <<<"$said"; then
      echo unsigned
      return
    fi
    fail "$program carries an Authenticode signature that cannot be read"
  fi
  openssl pkcs7 -in "$work/signature.pem" -print_certs > "$work/own.pem"
  [ -z "$roots" ] || cat "$roots" >> "$work/own.pem"
  if ! said=$(verify_against "$program" "$work/own.pem") && ! chain_only "$said"; then
    fail "$program carries an Authenticode signature that does not verify: $(why "$said")." \
         "Windows treats it as changed after signing and refuses to start it. Sign it again, or give" \
         "the unsigned program: the build does not sign over a broken signature."
  fi
  echo "signed by $(signer "$said")"
  if [ -n "$roots" ] && ! verify_against "$program" "$roots" >/dev/null; then
    echo "warning: the signer of $program, $(signer "$said"), chains to no root of SETUP_SIGN_TRUSTED_ROOTS" \
         "('$roots'); if those are the roots Windows trusts, its app control treats the signature like none" >&2
  fi
}

case ${1:-} in
check)
  load "$2"
  check_settings "$3"
  ;;
sign)
  unsigned=$2 output=$3
  # Whatever stood there was signed from other inputs.
  rm -f "$output" "$(dirname "$output")/Setup.json"
  load "$4"
  check_settings "$work/probe"
  sign_file "$unsigned" "$output"
  ;;
carry)
  program=$2 output=$3 stale=$4
  # The Setup.exe there carries the previous programs.
  rm -f "$output" "$stale" "$(dirname "$stale")/Setup.json"
  load "$5"
  check_settings "$work/probe"
  own=$(inspect "$program" "$TRUSTED_ROOTS")
  if [ "$own" = unsigned ]; then
    sign_file "$program" "$output"
  else
    cp "$program" "$output.copying"
    mv "$output.copying" "$output"
    echo "kept the signature of $program, $own, in $output"
  fi
  ;;
inspect)
  inspect "$2" "${3:-}"
  ;;
*)
  echo "usage: sign-setup.sh check|sign|carry|inspect ..." >&2
  exit 2
  ;;
esac
