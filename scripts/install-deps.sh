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
  # osslsigncode itself comes from bookworm-backports, below. Keys on a
  # token or in a signing service are reached through PKCS#11: OpenSSL's
  # engine for it, and opensc's pkcs11-tool and SoftHSM2 to give the tests
  # a token of their own.
  openssl python3-pefile
  # The vendor tests read the kit's winget manifest back.
  python3-yaml
  libengine-pkcs11-openssl opensc softhsm2
  zlib1g-dev python3 locales
  # The native fuzz project: clang, and its sanitizer and libFuzzer runtimes,
  # which clang only recommends.
  clang libclang-rt-dev
  # The emulated machine that runs 32-bit programs where the kernel cannot
  # (scripts/vm/): QEMU, and busybox and cpio for its initramfs; its kernel
  # comes from Debian's linux-image-amd64, downloaded, never installed.
  qemu-system-x86 busybox-static cpio xz-utils
  # git: make-kit.sh names the kit after the commit, check-reproducible.sh
  # clones, and the emulated machine finds the repository with it.
  git
  # The prebuilt kit's tests make a Debian 13 root file system with
  # mmdebstrap (tests/vendor/vendor_trees.py). Run as root it builds in root
  # mode for this machine's own architecture, which needs none of what it
  # recommends (arch-test is for foreign architectures, uidmap and fakechroot
  # for the modes without root; mount is in every Debian system).
  mmdebstrap
  # makensis, for the benchmark's peer installer (bench/).
  nsis
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
    apt-get update -q -o DPkg::Lock::Timeout=900 && break
    [ "$try" = 3 ] && echo "apt-get update failed three times; installing from the indexes it has" >&2
    sleep $((try * 20))
  done
  if ! apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=900 "${missing[@]}"; then
    # An index that failed (say the security archive's i386 one) leaves the
    # two architectures at different versions of one library, which wine32
    # cannot mix: take the release's own versions, which both have.
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "installing again with the versions of $release itself" >&2
    apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=900 -t "$release" "${missing[@]}"
  fi
fi

# osslsigncode 2.8 or later (extract-data, attach-signature, PKCS#11 login):
# bookworm itself has 2.5, its backports suite 2.9. The suite is added with
# the archive address this machine's own sources already use for bookworm.
osslsigncode_at_least() { # <version>
  local have
  have=$(dpkg-query -W -f='${Version}' osslsigncode 2>/dev/null) || return 1
  dpkg --compare-versions "$have" ge "$1"
}
if ! osslsigncode_at_least 2.8; then
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  backports=/etc/apt/sources.list.d/$release-backports.sources
  if ! grep -rqs -- "$release-backports" /etc/apt/sources.list /etc/apt/sources.list.d/; then
    # deb822 stanzas first, then one-line entries: the address of the one
    # that names the release itself, and its key.
    address=$(awk -v r="$release" 'BEGIN { RS = ""; FS = "\n" }
      { uri = ""; own = 0
        for (i = 1; i <= NF; i++) {
          if ($i ~ /^URIs:/) { sub(/^URIs:[ \t]*/, "", $i); split($i, u, " "); uri = u[1] }
          if ($i ~ /^Suites:/ && (" " $i " ") ~ (" " r " ")) own = 1
        }
        if (own && uri != "") { print uri; exit } }' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
    [ -n "$address" ] || address=$(awk -v r="$release" '$1 == "deb" && $3 == r { print $2; exit }' \
      /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true)
    [ -n "$address" ] || { echo "no apt source names $release: cannot add $release-backports" >&2; exit 1; }
    printf 'Types: deb\nURIs: %s\nSuites: %s-backports\nComponents: main\nSigned-By: %s\n' \
      "$address" "$release" /usr/share/keyrings/debian-archive-keyring.gpg > "$backports"
    echo "added $release-backports from $address ($backports)"
  fi
  apt-get update -q -o DPkg::Lock::Timeout=900
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    -o DPkg::Lock::Timeout=900 -t "$release-backports" osslsigncode
  osslsigncode_at_least 2.8 || { echo "osslsigncode 2.8 or later could not be installed" >&2; exit 1; }
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
