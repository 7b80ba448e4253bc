#!/bin/sh
# What the flushes cost on a real block device: installs a 512 MiB image onto
# an ext4 file system on a loop device and times it against cp of the same
# image flushed with sync; then renames and deletes the game. For each
# command it prints how many flushes (fsync, fdatasync, syncfs) it made and
# the seconds spent in each kind, as strace counts them: syncfs and the
# folder flushes after removals are what vfat on Linux needs beyond fsync.
# Needs root and losetup.
set -eu
build=${1:-build-bench}
tool="$build/cli/zt_install"
games="$build/cli/zt_games"
out=bench/out
size=$((512 * 1024 * 1024))
mkdir -p "$out"
image="$out/flush.iso"

if [ "$(id -u)" -ne 0 ] || ! command -v losetup >/dev/null || ! command -v mkfs.ext4 >/dev/null; then
    echo "flush cost: skipped (needs root, losetup and mkfs.ext4)"
    exit 0
fi
sh "$(dirname "$0")/make_image.sh" "$image" "$size"

disk="$out/flush-disk.img"
mnt="$out/flush-mnt"
truncate -s $((2 * size)) "$disk"
device=$(losetup --find --show "$disk")
cleanup() {
    umount "$mnt" 2>/dev/null || true
    losetup -d "$device" 2>/dev/null || true
    rm -rf "$disk" "$mnt" "$out/flushes.txt"
}
trap cleanup EXIT
mkfs.ext4 -q "$device"
mkdir -p "$mnt"
mount "$device" "$mnt"

seconds() {
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}

# flushes LABEL COMMAND...: the command's flush calls and their seconds.
flushes() {
    label=$1
    shift
    if ! command -v strace >/dev/null; then
        "$@" >/dev/null 2>&1 || true
        echo "$label: flushes not counted (no strace)"
        return
    fi
    strace -f -c -w -e trace=fsync,fdatasync,syncfs -o "$out/flushes.txt" "$@" >/dev/null 2>&1 || true
    awk -v l="$label" '$NF ~ /^(fsync|fdatasync|syncfs)$/ { n[$NF] = $4; t[$NF] = $2 }
        END { printf "%s: fsync %d (%.3f s), fdatasync %d (%.3f s), syncfs %d (%.3f s)\n", l,
              n["fsync"], t["fsync"], n["fdatasync"], t["fdatasync"], n["syncfs"], t["syncfs"] }' \
        "$out/flushes.txt"
}

cat "$image" >/dev/null
sync
cp_s=$(seconds sh -c 'cp "$1" "$2" && sync "$2"' sh "$image" "$mnt/cp-target")
rm -f "$mnt/cp-target"
sync
zt_s=$(seconds "$tool" --yes "$image" "$mnt" "Bench" DVD)
awk -v a="$zt_s" -v b="$cp_s" \
    'BEGIN { printf "loop ext4: zt_install/(cp+sync) = %.2f (%.2fs / %.2fs)\n", (b > 0 ? a / b : 0), a, b }'
"$games" --yes delete "$mnt" "Bench" >/dev/null 2>&1 || true
sync
flushes "install" "$tool" --yes "$image" "$mnt" "Bench" DVD
flushes "rename" "$games" rename "$mnt" "Bench" "Bench 2"
flushes "delete" "$games" --yes delete "$mnt" "Bench 2"
