#!/usr/bin/env bash
# Installs, from Debian's archive only, everything the build, the demo and the
# tests need. Idempotent: a machine that already has everything costs a few
# dpkg queries and nothing else.
set -euo pipefail

packages=(
  cmake ninja-build make
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  libz-mingw-w64-dev
  wine wine32:i386 wine64
  xvfb xauth xdotool imagemagick
  googletest libboost1.81-dev
  # The vendor kit: Authenticode signing and its certificates, and pefile for
  # reading Windows programs (imported by Debian's /usr/bin/python3 alone).
  osslsigncode openssl python3-pefile
  zlib1g-dev python3 locales
  # The native fuzz project: clang, and its sanitizer and libFuzzer runtimes,
  # which clang only recommends.
  clang libclang-rt-dev
  # The emulated machine that runs 32-bit programs where the kernel cannot
  # (scripts/vm/): QEMU, and busybox and cpio for its initramfs; its kernel
  # comes from Debian's linux-image-amd64, downloaded, never installed.
  qemu-system-x86 busybox-static cpio xz-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  missing+=(wine32:i386)
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # A mirror in the middle of a sync fails an index now and then: try again,
  # and go on with what was fetched, since the install itself then says
  # clearly what it could not find.
  for try in 1 2 3; do
    apt-get update -q && break
    [ "$try" = 3 ] && echo "apt-get update failed three times; installing from the indexes it has" >&2
    sleep $((try * 20))
  done
  if ! apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    # An index that failed (say the security archive's i386 one) leaves the
    # two architectures at different versions of one library, which wine32
    # cannot mix: take the release's own versions, which both have.
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "installing again with the versions of $release itself" >&2
    apt-get install -y -q --no-install-recommends -t "$release" "${missing[@]}"
  fi
fi

# The posix thread model is the one whose libstdc++ links statically without
# surprises; make sure the plain names point at it.
if command -v update-alternatives >/dev/null; then
  update-alternatives --set i686-w64-mingw32-g++ /usr/bin/i686-w64-mingw32-g++-posix >/dev/null 2>&1 || true
  update-alternatives --set i686-w64-mingw32-gcc /usr/bin/i686-w64-mingw32-gcc-posix >/dev/null 2>&1 || true
  update-alternatives --set x86_64-w64-mingw32-g++ /usr/bin/x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || true
  update-alternatives --set x86_64-w64-mingw32-gcc /usr/bin/x86_64-w64-mingw32-gcc-posix >/dev/null 2>&1 || true
fi

# Wine takes a program's interface language from the Linux locale, and falls
# back to English for one that is not generated: the tests run all three.
for loc in cs_CZ pl_PL en_US; do
  if ! locale -a 2>/dev/null | grep -qix "$loc.utf8"; then
    localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
  fi
done
