# A small real file system for the suites that need a volume without room for
# the installer (a Wine folder on it, reached through Z:). Sourced by the
# scripts that run the Windows-side suites, where those run:
#   small_volume_mount     mounts one and exports SETUP_SMALL_VOLUME (root is
#                          needed; without it the tests that need one say so
#                          and are skipped)
#   small_volume_unmount   undoes it
small_volume_mount() {
  SMALL_VOLUME_DIR=$(mktemp -d "${TMPDIR:-/tmp}/setup-small-volume.XXXXXX")
  if mount -t tmpfs -o size=8m,mode=1777 setup-small-volume "$SMALL_VOLUME_DIR" 2>/dev/null; then
    export SETUP_SMALL_VOLUME=$SMALL_VOLUME_DIR
  else
    echo "note: no small volume could be mounted (root is needed): the tests that need one are skipped" >&2
    rmdir "$SMALL_VOLUME_DIR"
    SMALL_VOLUME_DIR=
  fi
}

small_volume_unmount() {
  [ -n "${SMALL_VOLUME_DIR:-}" ] || return 0
  umount "$SMALL_VOLUME_DIR" 2>/dev/null || true
  rmdir "$SMALL_VOLUME_DIR" 2>/dev/null || true
  SMALL_VOLUME_DIR=
  unset SETUP_SMALL_VOLUME
}
