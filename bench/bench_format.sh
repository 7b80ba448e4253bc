#!/bin/sh
# Formats a sparse 2 TiB disk image (INIT, then FORMAT) and times FORMAT
# against mkfs.fat -F 32 -s 64 on a sparse image of the same partition size.
# Usage: bench/bench_format.sh BUILD_DIR   (tools in BUILD_DIR/cli/)
set -eu
build=${1:-build-bench}
tool=$build/cli/zt_format
if ! command -v mkfs.fat >/dev/null 2>&1; then
    echo "bench_format: mkfs.fat missing, skipped"
    exit 0
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/zt-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

now() { date +%s.%N; }

disk=$work/disk.img
truncate -s 2T "$disk"
"$tool" --yes "$disk" INIT >/dev/null 2>&1
length=$("$tool" "$disk" INFO | sed -n 's/^ *Length : \([0-9]*\) (bytes).*/\1/p' | head -n 1)
sync
start=$(now)
"$tool" --yes "$disk" FORMAT >/dev/null 2>&1
sync
end=$(now)
ours=$(echo "$start $end" | awk '{ printf "%.3f", $2 - $1 }')
rm -f "$disk"

part=$work/part.img
truncate -s "$length" "$part"
sync
start=$(now)
mkfs.fat -F 32 -s 64 "$part" >/dev/null 2>&1
sync
end=$(now)
theirs=$(echo "$start $end" | awk '{ printf "%.3f", $2 - $1 }')

echo "partition of $length bytes"
echo "zt_format FORMAT:        $ours s"
echo "mkfs.fat -F 32 -s 64:    $theirs s"
echo "$ours $theirs" | awk '{ if ($2 > 0) printf "ratio (ours / mkfs.fat): %.2f\n", $1 / $2 }'
