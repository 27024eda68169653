#!/usr/bin/env bash
# Runs a command inside the emulated machine and passes back its output (as
# it comes) and its exit code:  run.sh <vm folder> <command> [arguments...]
# The guest sees this machine's root file system read-only, with the current
# folder's repository, the build folder and SETUP_VM_WRITABLE (folders split
# by ':') writable, and the caller's environment and current folder.
set -euo pipefail
vm=$(realpath -m "$1"); shift
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/make-vm.sh" "$vm"

mkdir -p "$vm/jobs"
job=$(mktemp -d "$vm/jobs/job.XXXXXX")
qemu_pid=
cleanup() {
  [ -n "$qemu_pid" ] && kill "$qemu_pid" 2>/dev/null || true
  rm -rf "$job"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Writable folders: the repository or kit these scripts belong to (its
# scripts run inside), the one the command runs in, the build folder, this
# machine's folder, and whatever the caller names; a folder inside another is
# already covered. Each is mounted over the guest's memory /tmp, so they
# stay visible wherever they live.
writable=()
top=$(git rev-parse --show-toplevel 2>/dev/null || pwd)
for dir in "$(cd "$here/../.." && pwd)" "$top" "${BUILD_DIR:-}" "$vm" ${SETUP_VM_WRITABLE:+${SETUP_VM_WRITABLE//:/ }}; do
  [ -n "$dir" ] && [ -d "$dir" ] && writable+=("$(realpath "$dir")")
done
mapfile -t writable < <(printf '%s\n' "${writable[@]}" | sort -u |
  awk '{ for (i = 1; i <= n; i++) if (index($0 "/", kept[i] "/") == 1) next; kept[++n] = $0; print }')

virtfs=(-virtfs "local,path=/,mount_tag=host,security_model=none,multidevs=remap,readonly=on"
        -virtfs "local,path=$job,mount_tag=job,security_model=none")
: > "$job/mounts"
for i in "${!writable[@]}"; do
  virtfs+=(-virtfs "local,path=${writable[$i]},mount_tag=rw$i,security_model=none,multidevs=remap")
  echo "rw$i ${writable[$i]}" >> "$job/mounts"
done

{
  echo '#!/bin/bash'
  # The caller's environment, less what belongs to this side's display and
  # temporary folder: the guest has its own.
  export -p | grep -Ev '^declare -x (DISPLAY|XAUTHORITY|TMPDIR|TMP|TEMP|OLDPWD|SHLVL|_)=' || true
  echo 'export SETUP_EMULATED_MACHINE=1'
  # The root is read-only in the guest: caches go to the vm folder, where they
  # outlive the boot. Without a writable one, fontconfig rescans every font at
  # each start of a 32-bit program (this side's caches are of the 64-bit ABI).
  printf 'export XDG_CACHE_HOME=%q\n' "$vm/cache"
  printf 'mkdir -p %q\n' "$vm/cache"
  printf 'cd %q || exit 125\n' "$PWD"
  printf '%q ' "$@"
  echo
} > "$job/job.sh"

: > "$job/output"
qemu-system-x86_64 -machine q35 -cpu max,-smap -smp "${SETUP_VM_CPUS:-$(nproc)}" -m "${SETUP_VM_MEMORY:-8192}" \
  -accel tcg,thread=multi -kernel "$vm/vmlinuz" -initrd "$vm/initrd.gz" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1" "${virtfs[@]}" \
  -display none -monitor none -serial "file:$vm/console.log" -no-reboot </dev/null &
qemu_pid=$!
tail -n +1 -f --pid="$qemu_pid" "$job/output"
wait "$qemu_pid" || true
qemu_pid=
if [ ! -s "$job/rc" ]; then
  echo "the emulated machine stopped before its job ended; its console:" >&2
  tail -n 20 "$vm/console.log" >&2
  exit 125
fi
exit "$(cat "$job/rc")"
