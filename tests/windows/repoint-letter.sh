#!/bin/bash
# Runs the Windows tests that have the drive letter V: pointed at another
# folder in the middle of a command, as a stick pulled and another given its
# letter: V: is the prefix's link to "$work/held"; when the test program
# writes a folder's name into "$work/point", the link is pointed at that
# folder and the file removed, while the program waits for it.
# Usage: repoint-letter.sh WINE_VERDICT_SCRIPT TEST_PROGRAM GTEST_FILTER
set -u
verdict=$1
program=$2
filter=$3
prefix=${WINEPREFIX:-$HOME/.wine}
work=$(mktemp -d "${TMPDIR:-/tmp}/zt-letter-XXXXXX")
trap 'rm -rf "$work" "$prefix/dosdevices/v:"' EXIT
mkdir "$work/held" "$work/other"
ln -sfn "$work/held" "$prefix/dosdevices/v:"
ZT_REPOINT_DIR=$work sh "$verdict" "$program" --gtest_filter="$filter" &
test=$!
while kill -0 "$test" 2>/dev/null; do
    if [ -e "$work/point" ]; then
        ln -sfn "$work/$(cat "$work/point")" "$prefix/dosdevices/v:"
        rm -f "$work/point"
    fi
    sleep 0.01
done
wait "$test"
