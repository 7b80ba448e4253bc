#!/bin/sh
# Runs every fuzz target of the given build folder for a bounded time, starting
# from its seed corpus fuzz/corpus/<TargetName>/. Crashes land in fuzz/artifacts/.
set -eu
build=${1:-build-fuzz}
seconds=${2:-60}
mkdir -p fuzz/artifacts
status=0
for target in "$build"/fuzz/*Fuzz; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus=fuzz/corpus/$name
    work=$build/corpus/$name
    mkdir -p "$work"
    echo "== $name ($seconds s)"
    "$target" -max_total_time="$seconds" -artifact_prefix=fuzz/artifacts/"$name"- "$work" "$corpus" \
        || status=1
done
exit $status
