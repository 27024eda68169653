# Sourced by the scripts that run programs: builds everything, picks the build
# whose programs this machine runs ($run_build) and gives it a Wine prefix.
# Expects $root; sets $build, $run_build, WINEPREFIX, and ends the prefix's
# server when the calling script exits, so nothing of a run lingers.
build=${BUILD_DIR:-$root/build}
export BUILD_DIR=$build

bash "$root/scripts/build.sh" >&2
. "$root/scripts/wine-env.sh"
run_build=$(setup_run_build "$build")
bash "$root/scripts/make-wineprefix.sh" "$run_build/wineprefix" >&2

export WINEPREFIX=$run_build/wineprefix
trap '"$WINESERVER" -k 2>/dev/null || true' EXIT
