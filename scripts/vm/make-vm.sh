#!/usr/bin/env bash
# Prepares the emulated machine in $1 (the build's vm/ folder), once: Debian's
# own amd64 kernel, unpacked from its package (nothing goes into /boot), and
# a busybox initramfs that loads the 9p modules and runs the job (see init).
set -euo pipefail
vm=$(realpath -m "$1")
here=$(cd "$(dirname "$0")" && pwd)
stamp="$vm/.complete-$(sha256sum "$here/init" "$0" | sha256sum | cut -c1-16)"
[ -f "$stamp" ] && [ -f "$vm/vmlinuz" ] && [ -f "$vm/initrd.gz" ] && exit 0

kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[^ ]*\)$/\1/p' | head -n 1
}
package=$(kernel_package)
# Package lists may be missing on a machine that had everything else installed.
[ -n "$package" ] || { apt-get update -q >&2 && package=$(kernel_package); }
[ -n "$package" ] || { echo "cannot tell which kernel package linux-image-amd64 names" >&2; exit 1; }
echo "preparing the emulated machine in $vm ($package)" >&2
rm -rf "$vm/download" "$vm/kernel" "$vm/initrd" "$vm"/.complete-* && mkdir -p "$vm/download" "$vm/kernel" "$vm/initrd/bin" "$vm/initrd/modules"
(cd "$vm/download" && apt-get -o APT::Sandbox::User=root download -q "$package" >&2)
dpkg -x "$vm"/download/*.deb "$vm/kernel"
cp "$vm"/kernel/boot/vmlinuz-* "$vm/vmlinuz"

for m in virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci \
         netfs fscache 9pnet 9pnet_virtio 9p; do
  ko=$(find "$vm"/kernel/lib/modules -name "$m.ko" -o -name "$m.ko.xz" | head -n 1)
  # A module the kernel has built in is simply absent from the package.
  [ -n "$ko" ] || continue
  case $ko in
    *.xz) xz -dc "$ko" > "$vm/initrd/modules/$m.ko" ;;
    *) cp "$ko" "$vm/initrd/modules/$m.ko" ;;
  esac
done
ls "$vm"/initrd/modules/9p.ko >/dev/null
cp /bin/busybox "$vm/initrd/bin/busybox"
# The kernel starts it as a program, whatever mode the copy it came from has.
install -m 755 "$here/init" "$vm/initrd/init"
mkdir -p "$vm"/initrd/{proc,sys,dev,mnt,job}
(cd "$vm/initrd" && find . | cpio -o -H newc --quiet) | gzip -9 > "$vm/initrd.gz"
rm -rf "$vm/download" "$vm/kernel" "$vm/initrd"
touch "$stamp"
