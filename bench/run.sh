#!/bin/sh
# Runs every benchmark script bench/bench_*.sh against the given build folder.
set -eu
build=${1:-build-bench}
status=0
for script in "$(dirname "$0")"/bench_*.sh; do
    [ -e "$script" ] || continue
    echo "== $(basename "$script")"
    sh "$script" "$build" || status=1
done
exit $status
