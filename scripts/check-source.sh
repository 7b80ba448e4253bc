#!/bin/sh
# The source gate: every C++ file as .clang-format lays it out, and no
# finding of the .clang-tidy checks in the product's code. Usage:
#   check-source.sh format
#   check-source.sh tidy BUILD_DIR   (BUILD_DIR holds compile_commands.json)
set -u
cd "$(dirname "$0")/.."
case ${1:-} in
format)
    git ls-files '*.cpp' '*.h' | grep -v '^tests/fixtures/' |
        xargs clang-format --dry-run --Werror 2>&1 | grep -m 40 'error:' && exit 1
    exit 0
    ;;
tidy)
    build=$(cd "$2" && pwd)
    # Headers are checked where the product's sources include them.
    folders='(cli|disk|install|library|platform|res|store|ui)'
    out=$(run-clang-tidy -p "$build" -quiet -header-filter="^$PWD/$folders/" \
        "^$PWD/$folders/" 2>&1)
    status=$?
    printf '%s\n' "$out" | grep -E 'error:|warning:' | grep -v 'warnings generated' | sort -u
    exit $status
    ;;
esac
echo "usage: check-source.sh format | tidy BUILD_DIR" >&2
exit 2
