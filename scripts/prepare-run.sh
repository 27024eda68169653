# Sourced by the scripts that run programs: builds everything and sources the
# one place that decides how this machine runs Windows programs. Expects
# $root; sets $build.
build=$(realpath -m "${BUILD_DIR:-$root/build}")
export BUILD_DIR=$build

bash "$root/scripts/build.sh" >&2
. "$root/scripts/wine-env.sh"
