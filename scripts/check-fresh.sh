#!/usr/bin/env bash
# The front door, tried as a new user tries it: in a fresh Debian 12 root file
# system (mmdebstrap's default variant from this machine's own archive, plus
# git), clones the committed HEAD of this repository, runs
# scripts/install-deps.sh, builds, and runs the tests that need no Windows
# side (ctest -L host), as root, as the README says. Names every command it
# found missing and exits non-zero when anything failed:
#   bash scripts/check-fresh.sh
# Needs root (chroot and mounts). The root file system is made once per
# build folder (<build>/fresh-root/bookworm.tar) and the packages install-deps
# downloads are kept beside it, so a second run fetches almost nothing.
#
# The Windows side is left out: where the kernel runs no 32-bit code it
# would run in the emulated machine, which makes the vendor suites take far
# longer than the rest together. scripts/test.sh runs those parts; here the
# left-out suites are only loaded, so that what they import is checked.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=$(realpath -m "${BUILD_DIR:-$root/build}")
cache=$build/fresh-root
release=bookworm
# Test suites that run Windows programs (left out, see above), and a suite
# run on its own, less its cases that do.
windows_tests='vendor_kit|vendor_program_check'
split_test=vendor_prebuilt
windows_cases=vendor_prebuilt_test.PrebuiltKitTest.test_check_runs_with_kit_programs_and_build_under_tmp

[ "$(id -u)" = 0 ] || { echo "check-fresh.sh needs root (chroot and mounts)" >&2; exit 1; }
started=$SECONDS
commit=$(git rev-parse HEAD)
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  echo "note: uncommitted changes are not part of this check; it clones commit $commit"
command -v mmdebstrap >/dev/null ||
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=900 mmdebstrap
mkdir -p "$cache/archives/partial"

# The release's own suites from this machine's apt sources, as the fresh
# machine's sources: its updates and security suites too, which one mirror
# address alone would leave out. deb822 stanzas and one-line entries go to a
# file of each kind, which mmdebstrap takes as they are.
sources=()
awk -v r="$release" 'BEGIN { RS = ""; FS = "\n" }
  { for (i = 1; i <= NF; i++) if ($i ~ /^Suites:/ && (" " $i " ") ~ (" " r "[- ]")) { print; print ""; next } }' \
  /etc/apt/sources.list.d/*.sources > "$cache/$release.sources" 2>/dev/null || true
grep -q . "$cache/$release.sources" && sources+=("$cache/$release.sources")
cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
  awk -v r="$release" '$1 == "deb" && $3 ~ ("^" r "(-|$)")' > "$cache/$release.list" || true
grep -q . "$cache/$release.list" && sources+=("$cache/$release.list")
[ ${#sources[@]} -gt 0 ] || { echo "no apt source names $release" >&2; exit 1; }

tarball=$cache/$release.tar
stamp=$(cat "${sources[@]}" | sha256sum | cut -c1-16)
if [ ! -f "$tarball" ] || [ "$(cat "$tarball.sources" 2>/dev/null)" != "$stamp" ]; then
  echo "making a fresh $release root file system (mmdebstrap's default variant and git)"
  made=$SECONDS
  rm -f "$tarball" "$tarball.sources"
  nice -n 10 mmdebstrap --quiet --include=git "$release" "$cache/partial.tar" "${sources[@]}"
  mv "$cache/partial.tar" "$tarball"
  echo "$stamp" > "$tarball.sources"
  echo "made $tarball in $((SECONDS - made)) s"
fi

run=$cache/run
mounted=()
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${mounted[$i]}" 2>/dev/null || true
  done
  mounted=()
}
trap unmount_all EXIT
trap 'exit 130' INT TERM
bind() { # <what> <where> [mount options...]
  mkdir -p "$2"
  mount "${@:3}" "$1" "$2"
  mounted+=("$2")
}

# A run from before that was cut short may have left its mounts.
grep -o " $run/[^ ]*" /proc/mounts | sort -r | xargs -r -n 1 umount -l 2>/dev/null || true
# Never remove a folder that still has this machine's /dev in it.
! grep -q " $run/" /proc/mounts || { echo "$run still has mounts: not removing it" >&2; exit 1; }
rm -rf "$run"
mkdir -p "$run"
tar -xpf "$tarball" -C "$run" --numeric-owner
bind proc "$run/proc" -t proc
bind sys "$run/sys" -t sysfs
bind /dev "$run/dev" --rbind
mount --make-rslave "$run/dev"
bind "$cache/archives" "$run/var/cache/apt/archives" --bind
chroot "$run" chown _apt:root /var/cache/apt/archives/partial
git bundle create -q "$run/tmp/setup.bundle" HEAD

log=$cache/check.log
# What runs in the root. The environment passes on the commit and what is
# left out.
cat > "$run/tmp/check.sh" <<'EOF'
set -uo pipefail
step() { echo; echo "== $1"; }
cd /root
step "git clone"
git clone -q /tmp/setup.bundle setup && cd setup && git checkout -q "$CHECK_COMMIT" || exit 1
step "bash scripts/install-deps.sh"
t=$SECONDS
bash scripts/install-deps.sh || exit 1
echo "install-deps: $((SECONDS - t)) s"
step "bash scripts/build.sh -DSETUP_CHECK_PROGRAMS=OFF (the program check runs Windows programs)"
t=$SECONDS
nice -n 10 bash scripts/build.sh -DSETUP_CHECK_PROGRAMS=OFF || exit 1
echo "build: $((SECONDS - t)) s"
status=0
step "the tools of the Windows side, which is not run here"
missing=$(root=$PWD; . scripts/wine-env.sh; windows_missing)
[ -z "$missing" ] || { echo "$missing"; status=1; }
command -v convert >/dev/null || { echo "convert: command not found (the demo's screenshots)"; status=1; }
[ "$status" = 0 ] && echo "all there"
step "what the left-out suites import ($CHECK_WINDOWS_TESTS and $CHECK_SPLIT_TEST), loaded without running"
for t in ${CHECK_WINDOWS_TESTS//|/ } $CHECK_SPLIT_TEST; do
  python3 /tmp/some-cases.py build "$t" --import-only || status=1
done
step "ctest -L host, less the suites that run Windows programs ($CHECK_WINDOWS_TESTS) and $CHECK_SPLIT_TEST"
t=$SECONDS
nice -n 10 ctest --test-dir build -L host --output-on-failure -E "^($CHECK_WINDOWS_TESTS|$CHECK_SPLIT_TEST)\$" || status=1
echo "ctest: $((SECONDS - t)) s"
step "$CHECK_SPLIT_TEST, less $CHECK_WINDOWS_CASES"
t=$SECONDS
nice -n 10 python3 /tmp/some-cases.py build "$CHECK_SPLIT_TEST" $CHECK_WINDOWS_CASES || status=1
echo "$CHECK_SPLIT_TEST: $((SECONDS - t)) s"
exit $status
EOF
# One ctest test with its own command, folder and environment, less some of
# its unittest cases:  some-cases.py <build> <test> <case id>...
cat > "$run/tmp/some-cases.py" <<'EOF'
import json, os, subprocess, sys, unittest

build, name, left_out = sys.argv[1], sys.argv[2], sys.argv[3:]
tests = json.loads(subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"], check=True,
                                  stdout=subprocess.PIPE, text=True).stdout)["tests"]
test = next(t for t in tests if t["name"] == name)
properties = {p["name"]: p["value"] for p in test["properties"]}
folder = properties["WORKING_DIRECTORY"]
env = dict(os.environ, **dict(v.split("=", 1) for v in properties.get("ENVIRONMENT", [])))
*command, module = test["command"]  # ... -m unittest -v <module>
listed = subprocess.run([command[0], "-c", "import sys, unittest\n"
                         "def ids(s):\n"
                         "    for t in s:\n"
                         "        yield from ids(t) if isinstance(t, unittest.TestSuite) else [t.id()]\n"
                         "print(*ids(unittest.defaultTestLoader.loadTestsFromName(sys.argv[1])))", module],
                        cwd=folder, env=env, check=True, stdout=subprocess.PIPE, text=True).stdout.split()
if left_out == ["--import-only"]:
    print(f"{name}: its {len(listed)} cases load")
    sys.exit(0)
missing = [c for c in left_out if c not in listed]
if missing:
    sys.exit(f"{name} has no case {', '.join(missing)}: the list of cases left out is out of date")
sys.exit(subprocess.run([*command, *[c for c in listed if c not in left_out]], cwd=folder, env=env).returncode)
EOF

echo "checking commit $commit in a fresh $release root ($run); the log: $log"
status=0
chroot "$run" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  CHECK_COMMIT="$commit" CHECK_WINDOWS_TESTS="$windows_tests" CHECK_SPLIT_TEST="$split_test" CHECK_WINDOWS_CASES="$windows_cases" \
  bash /tmp/check.sh 2>&1 | tee "$log" || status=$?
unmount_all

# Every command the run found missing, however it was called.
missing=$(sed -nE \
  -e "s/.*(^|[: ])([A-Za-z0-9_.+-]+): command not found.*/\2/p" \
  -e "s/.*FileNotFoundError: \[Errno 2\] No such file or directory: '([^'/]+)'.*/\1/p" \
  -e "s/.*env: '([^']+)': No such file or directory.*/\1/p" \
  -e "s/.*ModuleNotFoundError: No module named '([^']+)'.*/python3 module \1/p" "$log" | sort -u | paste -sd ' ')
echo
echo "fresh $release root, commit ${commit:0:12}: left out, as they run Windows programs: the suites" \
     "${windows_tests//|/ and }, the case ${windows_cases##*.}, and the main build's program check"
echo "missing commands and modules: ${missing:-none}"
[ -z "$missing" ] || status=1
if [ "$status" = 0 ]; then
  echo "check-fresh: passed in $((SECONDS - started)) s"
else
  echo "check-fresh: FAILED (status $status) in $((SECONDS - started)) s; the log: $log"
fi
exit "$status"
