#!/bin/sh
# Prepares what the guest tests boot: Debian 12's kernel as an uncompressed
# vmlinux (it starts through its PVH entry, about twice as fast under emulation
# as the bzImage) and an initramfs with busybox, the modules for a USB stick,
# an optical drive, vfat and ISO 9660, and the host's fsck.fat and mtools.
# Usage: scripts/guest-kernel.sh OUT INIT
#   OUT   folder for vmlinux and initrd.gz (done once; a second call only checks)
#   INIT  the guest's /init script
# The packages are fetched with `apt-get download` into $ZT_GUEST_CACHE
# (~/.cache/tarnwick-game-installer/guest by default); nothing is installed.
# Exit status 2 with the reason on standard error when they cannot be had.
set -eu

out=$1
init=$2
cache=${ZT_GUEST_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick-game-installer/guest}
mkdir -p "$out" "$cache"

# Two test processes may ask at once: one prepares, the other waits.
exec 9>"$out/.lock"
flock 9
if [ -s "$out/vmlinux" ] && [ -s "$out/initrd.gz" ] && [ "$out/initrd.gz" -nt "$init" ] &&
  [ "$out/initrd.gz" -nt "$0" ]; then
  exit 0
fi

unavailable() { echo "guest-kernel: $*" >&2; exit 2; }
fetch() {  # fetch PACKAGE: its .deb in the cache, unless there already
  ls "$cache/$1"_*.deb >/dev/null 2>&1 && return 0
  (cd "$cache" && apt-get download "$1" </dev/null >/dev/null 2>&1) ||
    unavailable "apt-get download $1 failed"
}

kernel_package=$(ls "$cache"/linux-image-6.1.0-*-amd64_*.deb 2>/dev/null | head -n 1 || true)
if [ -z "$kernel_package" ]; then
  name=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/.*Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -n 1)
  [ -n "$name" ] || unavailable "apt-cache knows no linux-image-amd64 (run apt-get update)"
  fetch "$name"
  kernel_package=$(ls "$cache/$name"_*.deb)
fi
fetch busybox-static
command -v xz >/dev/null || unavailable "xz is not installed"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$kernel_package" "$work/kernel"
dpkg-deb -x "$(ls "$cache"/busybox-static_*.deb | head -n 1)" "$work/busybox"
busybox=$work/busybox/bin/busybox
version=$(ls "$work/kernel/lib/modules")

# The bzImage's payload is an xz-compressed ELF: decompress from its magic on.
offset=$(LC_ALL=C grep -obUaP '\xFD7zXZ\x00' "$work/kernel/boot/vmlinuz-$version" | head -n 1 | cut -d: -f1)
[ -n "$offset" ] || unavailable "no xz payload in vmlinuz-$version"
tail -c +$((offset + 1)) "$work/kernel/boot/vmlinuz-$version" | xz -dc --single-stream >"$work/vmlinux"

# Only the modules the tests load, with those they depend on.
root=$work/root
modules="drivers/usb/common/usb-common drivers/usb/core/usbcore drivers/usb/host/xhci-hcd
  drivers/usb/host/xhci-pci drivers/usb/storage/usb-storage drivers/scsi/scsi_common
  drivers/scsi/scsi_mod drivers/scsi/sd_mod drivers/scsi/sr_mod drivers/cdrom/cdrom
  drivers/ata/libata drivers/ata/ata_piix block/t10-pi lib/crc-t10dif crypto/crct10dif_common
  lib/crc64-rocksoft lib/crc64 fs/isofs/isofs fs/fat/fat fs/fat/vfat fs/nls/nls_cp437
  fs/nls/nls_ascii fs/nls/nls_utf8"
for m in $modules; do
  mkdir -p "$root/lib/modules/$version/kernel/$(dirname "$m")"
  cp "$work/kernel/lib/modules/$version/kernel/$m.ko" "$root/lib/modules/$version/kernel/$m.ko" ||
    unavailable "the kernel $version has no $m.ko"
done
cp "$work/kernel/lib/modules/$version/modules.builtin" "$root/lib/modules/$version/"
"$busybox" depmod -b "$root" "$version"

mkdir -p "$root/bin" "$root/sbin" "$root/proc" "$root/sys" "$root/dev" "$root/mnt" "$root/tmp" \
  "$root/lib64" "$root/lib/x86_64-linux-gnu"
cp "$busybox" "$root/bin/busybox"
cp "$init" "$root/init"
chmod 755 "$root/init"
# The host's FAT checker and mtools judge the stick inside the guest; they
# need only the C library.
for tool in /sbin/fsck.fat /usr/bin/mtools; do
  [ -x "$tool" ] && cp "$tool" "$root/sbin/"
done
cp /lib/x86_64-linux-gnu/libc.so.6 "$root/lib/x86_64-linux-gnu/"
cp /lib64/ld-linux-x86-64.so.2 "$root/lib64/"
(cd "$root" && find . | "$busybox" cpio -o -H newc 2>/dev/null | gzip -1 >"$work/initrd.gz")

mv "$work/vmlinux" "$out/vmlinux"
mv "$work/initrd.gz" "$out/initrd.gz"
cp "$busybox" "$out/busybox"
echo "$version" >"$out/version"
