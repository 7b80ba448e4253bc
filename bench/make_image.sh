#!/bin/sh
# Makes (once) a disc image of the given size with random content whose
# volume descriptor claims the whole image: bench/make_image.sh IMAGE BYTES
set -eu
image=$1
size=$2
out=$(dirname "$image")
if [ -f "$image" ] && [ "$(stat -c %s "$image")" -eq "$size" ]; then exit 0; fi
echo "making a $size-byte image in $image"
rm -rf "$out/disc" "$image"
mkdir -p "$out/disc"
printf 'BOOT2 = cdrom0:\\BENC_000.01;1\r\nVER = 1.00\r\n' > "$out/disc/SYSTEM.CNF"
xorriso -as mkisofs -quiet -o "$out/head.iso" "$out/disc" 2>/dev/null
head_size=$(stat -c %s "$out/head.iso")
{ cat "$out/head.iso"; head -c $((size - head_size)) /dev/urandom; } > "$image"
rm -f "$out/head.iso"
# Let the volume descriptor claim the whole image (both byte orders).
sectors=$((size / 2048))
le=$(printf '\\%03o\\%03o\\%03o\\%03o' $((sectors & 255)) $((sectors >> 8 & 255)) \
    $((sectors >> 16 & 255)) $((sectors >> 24 & 255)))
be=$(printf '\\%03o\\%03o\\%03o\\%03o' $((sectors >> 24 & 255)) $((sectors >> 16 & 255)) \
    $((sectors >> 8 & 255)) $((sectors & 255)))
printf "$le$be" | dd of="$image" bs=1 seek=$((16 * 2048 + 80)) conv=notrunc 2>/dev/null
