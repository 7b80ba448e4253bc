#!/bin/sh
# The window, offscreen: start-up to the first painted window, filling the
# list from a table of 10,000 games, and the longest wait of the window's
# thread while an install copies the benchmark image (made by bench_install.sh).
set -eu
build=${1:-build-bench}
program="$build/bench/zt_window_bench"
out=bench/out
if [ ! -x "$program" ]; then
    echo "no $program (Qt 6 missing): skipped"
    exit 0
fi
mkdir -p "$out"
image="$out/bench.iso"
if [ -f "$image" ]; then
    "$program" "$out" "$image"
else
    "$program" "$out"
fi
