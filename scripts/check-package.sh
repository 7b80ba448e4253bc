#!/bin/sh
# Checks what the project installs and the Debian package made from it: the
# installed tree, the desktop entry, the AppStream metadata, the manual pages
# (against each tool's --help), the bash completion, lintian, and that the
# package installs with dpkg into a throw-away root where every program answers
# --version. Run by `make test`; needs a finished build.
# Usage: scripts/check-package.sh BUILD [window|no-window]
set -eu
umask 022 # the modes Debian expects of the installed files and folders

build=$(cd "${1:-build}" && pwd)
window=${2:-no-window}
source=$(cd "$(dirname "$0")/.." && pwd)
work=$build/package-check
app=org.tarnwick.GameInstaller
package=tarnwick-game-installer
docdir=usr/share/doc/$package
tools="zt_install zt_games zt_format"
programs=$tools
[ "$window" = window ] && programs="$programs zt_installer"

failures=0
fail() {
    echo "check-package: FAILED: $*" >&2
    failures=$((failures + 1))
}
step() { echo "== $*"; }

rm -rf "$work"
mkdir -p "$work"
version=$(sed -n 's/^#define ZT_VERSION "\(.*\)"$/\1/p' "$build/generated/zt_version.h")
[ -n "$version" ] || fail "no version in $build/generated/zt_version.h"

# --- The installed tree: exactly the expected files, with Debian's modes.
step "cmake --install into a DESTDIR"
dest=$work/destdir
DESTDIR=$dest cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install"; }
{
    for p in $tools; do
        echo "usr/bin/$p"
        echo "usr/share/man/man1/$p.1.gz"
        echo "usr/share/bash-completion/completions/$p"
    done
    echo "$docdir/README.md"
    echo "$docdir/copyright"
    echo "$docdir/changelog.gz"
    if [ "$window" = window ]; then
        echo "usr/bin/zt_installer"
        echo "usr/share/man/man1/zt_installer.1.gz"
        echo "usr/share/applications/$app.desktop"
        echo "usr/share/metainfo/$app.metainfo.xml"
        echo "usr/share/polkit-1/actions/$app.policy"
        for n in 16 22 24 32 48 64 128 256; do
            echo "usr/share/icons/hicolor/${n}x$n/apps/$app.png"
        done
    fi
    for page in "$source"/doc/*.md; do
        [ -f "$page" ] && echo "$docdir/doc/$(basename "$page")"
    done
    for shot in "$source"/doc/screenshots/*.png; do
        [ -f "$shot" ] && echo "$docdir/doc/screenshots/$(basename "$shot")"
    done
} | sort >"$work/expected"
(cd "$dest" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/installed"
if ! diff -u "$work/expected" "$work/installed" >"$work/tree.diff"; then
    fail "the installed tree differs from the expected one (- missing, + unexpected):"
    cat "$work/tree.diff" >&2
fi
for p in $programs; do
    [ -x "$dest/usr/bin/$p" ] || fail "usr/bin/$p is not executable"
done
wrong_mode=$(cd "$dest" && find . -type f ! -path './usr/bin/*' ! -perm 644)
[ -z "$wrong_mode" ] || fail "data files whose mode is not 644: $wrong_mode"

# --- Desktop entry and AppStream metadata.
step "desktop-file-validate, appstreamcli validate"
desktop=$source/res/$app.desktop
[ "$window" = window ] && desktop=$dest/usr/share/applications/$app.desktop
if [ -f "$desktop" ]; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
fi
metainfo=$build/res/$app.metainfo.xml
appstreamcli validate --no-net --explain "$metainfo" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log" >&2; fail "appstreamcli validate $metainfo"; }
if [ "$window" = window ]; then
    # The metadata, desktop entry and icons as installed, together.
    appstreamcli validate-tree --no-net --explain "$dest" >"$work/appstream-tree.log" 2>&1 ||
        { cat "$work/appstream-tree.log" >&2; fail "appstreamcli validate-tree"; }
fi

# --- Manual pages: render without a warning, and document what --help names.
step "man --warnings"
for page in "$build"/doc/man/*.1.gz; do
    name=$(basename "$page" .1.gz)
    if ! LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" \
        >"$work/$name.txt" 2>"$work/$name.warnings" || [ -s "$work/$name.warnings" ]; then
        cat "$work/$name.warnings" >&2
        fail "manual page $name.1 does not render cleanly"
    fi
done
for tool in $tools; do
    page=$source/doc/man/$tool.1.in
    help=$("$build/cli/$tool" --help || true)
    for option in $(printf '%s\n' "$help" | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        man_option=$(printf '%s' "$option" | sed 's/-/\\\\-/g')
        grep -q -- "$man_option" "$page" || fail "$tool.1 does not document $option"
        grep -q -- "$option" "$source/packaging/bash-completion/$tool" ||
            fail "the completion of $tool does not offer $option"
    done
done
# Every command in the usage of zt_games has its own entry in COMMANDS.
commands=$("$build/cli/zt_games" --help | sed -n 's/^.*zt_games \([a-z][a-z]*\) .*$/\1/p')
for command in $commands; do
    grep -q "^\.BI\{0,1\} $command\( \|$\)" "$source/doc/man/zt_games.1.in" ||
        fail "zt_games.1 has no entry for the command $command"
done

# --- Bash completion: the installed files complete the words the tools take,
# and the names of the games in a drive's table.
step "bash completion"
# One 64-byte record: name (NUL-padded to 32 bytes), "zt." + game ID, one part,
# DVD, 2048-byte sectors.
record() {
    printf '%s' "$1"
    head -c $((32 - ${#1})) /dev/zero
    printf 'zt.SLUS_209.46\000\001\024\000\000\000\000\010\000\000'
    head -c 8 /dev/zero
}
drive=$work/drive
mkdir -p "$drive"
{
    record "My Game"
    record "My Other"
    record "$(printf 'Bell\007')"  # a control byte: left out
    record "Plain"
    printf 'short' # a partial record at the end: left out
} >"$drive/zt.cfg"
if [ -f /usr/share/bash-completion/bash_completion ]; then
    completions=$dest/usr/share/bash-completion/completions
    # shellcheck disable=SC2016
    result=$(bash -c '
        . /usr/share/bash-completion/bash_completion
        . "$1/zt_install"; . "$1/zt_games"; . "$1/zt_format"
        complete_words() {
            local fn=$1; shift
            COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
            COMPREPLY=()
            "$fn" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
            local IFS="|"
            echo "${COMPREPLY[*]}"
        }
        complete_words _zt_games zt_games ""
        complete_words _zt_games zt_games --yes delete "$2" ""
        complete_words _zt_games zt_games details "$2" "My\ O"
        complete_words _zt_format zt_format disk.img ""
        complete_words _zt_install zt_install --yes game.iso /media/usb "My Game" ""
    ' sh "$completions" "$drive")
    command_line=$(printf '%s\n' "$commands" | tr '\n' '|' | sed 's/|$//')
    expected=$(printf '%s\n' "$command_line" "My Game|My Other|Plain" "My Other" \
        "INFO|INIT|FORMAT" "CD|DVD")
    [ "$result" = "$expected" ] ||
        fail "bash completion gave '$result', expected '$expected'"
fi

# --- The package: fields, lintian, and its programs run from an unpacked root.
step "cpack -G DEB"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(find "$work/deb" -maxdepth 1 -name "${package}_*.deb" 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
    fail "cpack made no package"
else
    field() { dpkg-deb -f "$deb" "$1"; }
    [ "$(field Package)" = "$package" ] || fail "Package is '$(field Package)'"
    [ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
    [ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
    [ "$(field Priority)" = optional ] || fail "Priority is '$(field Priority)'"
    [ -n "$(field Maintainer)" ] || fail "no Maintainer"
    field Depends | grep -q 'libc6' || fail "Depends lacks the libraries: $(field Depends)"
    field Depends | grep -q 'fonts-liberation' || fail "Depends lacks fonts-liberation"
    field Recommends | grep -q 'udisks2' || fail "Recommends lacks udisks2"
    outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' | grep -v '^\./$' || true)
    [ -z "$outside" ] || fail "files outside /usr: $outside"
    dpkg-deb -c "$deb" | grep -q '/usr/local' && fail "files under /usr/local"

    step "lintian"
    # Errors and warnings fail the check, except the tags accepted here, one a
    # line with the reason. None is accepted now: the package draws no warning.
    # Info tags are shown, not failed on: "binary-has-unneeded-section .comment"
    # (CPack strips the programs with plain `strip`, which keeps that section),
    # "spelling-error-in-binary isnt" (a fixed text of the FAT32 writer).
    accepted=""
    set -- --fail-on error,warning --display-info --tag-display-limit 0
    [ -z "$accepted" ] || set -- "$@" --suppress-tags "$accepted"
    if ! lintian "$@" "$deb" >"$work/lintian.log" 2>&1; then
        cat "$work/lintian.log" >&2
        fail "lintian"
    fi
    grep -v 'root privileges' "$work/lintian.log" || true

    step "dpkg -i into a throw-away root, each program's --version"
    # The root holds no other package; the libraries the programs load are
    # this machine's, where they were built.
    root=$work/root
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
    : >"$root/var/lib/dpkg/status"
    if ! dpkg --root="$root" --log=/dev/null --force-depends --force-not-root \
        --force-script-chrootless -i "$deb" >"$work/dpkg.log" 2>&1; then
        cat "$work/dpkg.log" >&2
        fail "dpkg -i into $root"
    fi
    dpkg --root="$root" -s "$package" 2>/dev/null | grep -q '^Status: install ok installed$' ||
        fail "dpkg does not list $package as installed in $root"
    for p in $programs; do
        answer=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/$p" --version 2>/dev/null | head -n 1) || true
        [ "$answer" = "$p $version" ] || fail "$p --version answered '$answer', not '$p $version'"
    done
    if [ "$window" = window ]; then
        policy=$root/usr/share/polkit-1/actions/$app.policy
        { grep -q 'org.freedesktop.policykit.exec.path' "$policy" &&
            grep -q '>/usr/bin/zt_format<' "$policy"; } ||
            fail "the polkit action does not name /usr/bin/zt_format (configure with CMAKE_INSTALL_PREFIX=/usr)"
        # The password is asked for every time, in every kind of session.
        defaults=$(grep -o '<allow_[a-z]*>[^<]*</allow_[a-z]*>' "$policy" | sort | tr -d '\n')
        [ "$defaults" = '<allow_active>auth_admin</allow_active><allow_any>auth_admin</allow_any><allow_inactive>auth_admin</allow_inactive>' ] ||
            fail "the polkit action's defaults are not auth_admin in every session kind: $defaults"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "check-package: $failures check(s) failed" >&2
    exit 1
fi
echo "check-package: all checks passed (${version}, $window)"
