#!/bin/sh
# A queue of ten 300 MB disc images (random content) installed with
# zt_install --each into a folder on the same file system, timed against cp
# of the ten images followed by one sync of the copies (as each install
# flushes its parts), with a warm page cache and, where the caches can be
# dropped, a cold one. Prints the ratios and the queue's peak resident memory.
set -eu
build=${1:-build-bench}
tool="$build/cli/zt_install"
out=bench/out
queue="$out/queue"
size=$((300 * 1024 * 1024))
count=10
mkdir -p "$queue"

images=""
i=1
while [ $i -le $count ]; do
    image="$queue/game$(printf %02d $i).iso"
    sh "$(dirname "$0")/make_image.sh" "$image" "$size"
    images="$images $image"
    i=$((i + 1))
done

can_drop=no
if sync && echo 3 > /proc/sys/vm/drop_caches 2>/dev/null; then can_drop=yes; fi

# timed LABEL COMMAND...: runs the command under /usr/bin/time, prints seconds and peak RSS.
timed() {
    label=$1
    shift
    /usr/bin/time -v -o "$out/time.txt" "$@" >/dev/null 2>"$out/stderr.txt"
    seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {
        n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' \
        "$out/time.txt")
    rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$out/time.txt")
    echo "$label: ${seconds}s, peak RSS ${rss} KiB" >&2
    echo "$seconds $rss"
}

clean() {
    rm -rf "$out/queue-cp" "$out/queue-drive"
    mkdir -p "$out/queue-cp" "$out/queue-drive"
    sync
}

prepare() {
    clean
    # shellcheck disable=SC2086
    if [ "$1" = cold ]; then echo 3 > /proc/sys/vm/drop_caches; else cat $images > /dev/null; fi
}

# The best of a few alternating runs of each, so that a busy moment on a
# shared machine does not decide the figure.
runs=${BENCH_RUNS:-3}

run_pair() {
    cache=$1
    cp_s=""
    zt_s=""
    zt_rss=0
    i=0
    while [ $i -lt $runs ]; do
        i=$((i + 1))
        prepare "$cache"
        # shellcheck disable=SC2086
        set -- $(timed "cp+sync ($cache, run $i)" sh -c 'cp "$@" && cd "$0" && sync ./*' \
            "$out/queue-cp" $images "$out/queue-cp")
        cp_s=$(awk -v a="$1" -v b="$cp_s" 'BEGIN { print (b == "" || a < b) ? a : b }')
        prepare "$cache"
        # shellcheck disable=SC2086
        set -- $(timed "zt_install --each ($cache, run $i)" "$tool" --yes --each "$out/queue-drive" $images)
        zt_s=$(awk -v a="$1" -v b="$zt_s" 'BEGIN { print (b == "" || a < b) ? a : b }')
        [ "$2" -gt "$zt_rss" ] && zt_rss=$2
    done
    awk -v a="$zt_s" -v b="$cp_s" -v r="$zt_rss" -v c="$cache" -v n="$count" \
        'BEGIN { printf "%s cache, best of runs: %d images, zt_install --each/(cp+sync) = %.2f (%.2fs / %.2fs), peak RSS %.1f MiB\n", c, n, (b > 0 ? a / b : 0), a, b, r / 1024 }'
}

run_pair warm
if [ "$can_drop" = yes ]; then
    run_pair cold
else
    echo "cold cache: skipped (cannot drop the page cache here)"
fi
rm -rf "$out/queue-cp" "$out/queue-drive"
