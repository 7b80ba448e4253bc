#!/bin/sh
# Runs one Windows test program under Wine and lets it pass only when it
# ended with status 0 and GoogleTest itself said so: a program that crashes
# after its verdict, or ends before giving one, fails. Listing the tests
# (--gtest_list_tests) is passed through as it stands. With --terminal first,
# the program runs on a terminal of its own (`script`), as in a console.
case " $* " in
*" --gtest_list_tests "*) exec wine "$@" ;;
esac
output=$(mktemp)
trap 'rm -f "$output"' EXIT
if [ "$1" = --terminal ]; then
    shift
    # The console draws through the terminal's escape sequences: a cursor
    # step right stands for a space, the rest are let go.
    script -qec "wine $* --gtest_color=no" "$output.raw" >/dev/null 2>&1
    status=$?
    esc=$(printf '\033')
    tr -d '\r' <"$output.raw" |
        sed -e "s/$esc\[1C/ /g" -e "s/$esc\[[0-9;?]*[A-Za-z]//g" >"$output"
    rm -f "$output.raw"
    (exit "$status")
else
    wine "$@" >"$output" 2>&1
fi
status=$?
cat "$output"
if [ "$status" -ne 0 ]; then
    echo "wine-verdict: the test program ended with status $status"
    exit "$status"
fi
if grep -q '^\[  FAILED  \]' "$output"; then
    echo "wine-verdict: GoogleTest reported a failure"
    exit 1
fi
if ! grep -q '^\[  PASSED  \]' "$output"; then
    echo "wine-verdict: the test program ended without GoogleTest's verdict"
    exit 1
fi
