#!/usr/bin/env bash
# Makes the vendor kit:  bash scripts/make-kit.sh [<output folder>]
# Builds what the kit carries (in ${BUILD_DIR:-build}) and writes <output folder> (default <build>/kit)/setup-kit-<version>.tar.gz:
# the prebuilt core (SetupCore.exe, the finished loader without the vendor's
# resources), the uninstaller's checker and the stand-in programs, the
# resource scripts and the stand-in icon, the settings, the tools, the
# signer, a README for vendors and SHA256SUMS of every file. The same commit
# gives the same bytes: files sorted, owned by 0, dated at the commit, and
# gzip without a name or time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=$(realpath -m "${BUILD_DIR:-$root/build}")
out=$(realpath -m "${1:-$build/kit}")
# A configured build folder builds just what the kit carries (the step
# needs all of it); otherwise the developers' build makes everything.
if [ -f "$build/build.ninja" ]; then
  cmake --build "$build" --target setup_exe >&2
else
  BUILD_DIR=$build bash scripts/build.sh >&2
fi

version=$(sed -n 's/^project(SetupLoader VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-g$(git rev-parse --short=12 HEAD)
name=setup-kit-$version
stage=$(mktemp -d "${TMPDIR:-/tmp}/setup-kit.XXXXXX")
trap 'rm -rf "$stage"' EXIT
kit=$stage/$name
mkdir -p "$kit"/{bin,res,cmake,tools,scripts/vm}
cp "$build"/bin/{SetupCore.exe,check_uninstaller.exe,VutSetup.exe,VutUndo.exe} "$kit/bin/"
cp res/{setup.rc,ui.rc,strings.rc,dialog.rc,setup.manifest,resource_ids.h} "$build/icon/setup.ico" "$kit/res/"
cp cmake/VendorKit.cmake "$kit/cmake/"
cp tools/{build_summary,check_icon,check_programs,make_payload,make_setup,pe_file,pe_machine,setup_resources}.py \
   tools/{vendor_settings,version_names,winget_manifest}.py "$kit/tools/"
cp scripts/{build-setup,sign-setup,wine-env,windows-program,make-wineprefix}.sh "$kit/scripts/"
cp scripts/vm/{init,make-vm.sh,run.sh} "$kit/scripts/vm/"
cp docs/vendor-kit.md "$kit/README.md"
find "$kit" -type d -exec chmod 755 {} + && find "$kit" -type f -exec chmod 644 {} +
(cd "$kit" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | xargs sha256sum > "$stage/SHA256SUMS")
mv "$stage/SHA256SUMS" "$kit/SHA256SUMS"

mkdir -p "$out"
tar --sort=name --mtime="@$(git log -1 --format=%ct)" --owner=0 --group=0 --numeric-owner --format=gnu \
  -C "$stage" -cf - "$name" | gzip -9n > "$out/$name.tar.gz.partial"
mv "$out/$name.tar.gz.partial" "$out/$name.tar.gz"
echo "$out/$name.tar.gz: $(($(wc -l < "$kit/SHA256SUMS") + 1)) files, $(stat -c %s "$out/$name.tar.gz") bytes," \
     "sha256 $(sha256sum "$out/$name.tar.gz" | cut -d' ' -f1)"
