#!/bin/bash
# The Windows tools under Wine never follow a link on the drive: a part file,
# the game table or the temporary table that is a Unix symbolic link to a file
# outside the drive (Wine shows such a link as the file it leads to) is
# refused, and the outside file stays as it was (a replacing install puts
# its own part in the link's place). The drive is the letter L:.
# Usage: links-on-drive.sh WINDOWS_BIN_DIR
set -u
windows=$1
command -v xorriso >/dev/null || { echo "SKIP: no xorriso to make a disc image"; exit 77; }
command -v wine >/dev/null || { echo "SKIP: no wine"; exit 77; }
export LC_ALL=C.UTF-8

work=$(mktemp -d "${TMPDIR:-/tmp}/zt-links-XXXXXX")
prefix=${WINEPREFIX:-$HOME/.wine}
trap 'rm -rf "$work" "$prefix/dosdevices/l:"' EXIT
cd "$work" || exit 1
failures=0
checks=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

mkdir -p disc/DATA drive
printf 'BOOT2 = cdrom0:\\SLUS_209.46;1\r\nVER = 1.00\r\n' >disc/SYSTEM.CNF
head -c 3000000 /dev/urandom >disc/DATA/GAME.BIN
xorriso -as mkisofs -quiet -V GAME -o game.iso disc || exit 1
ln -sfn "$work/drive" "$prefix/dosdevices/l:"
part=zt.93F62D17.SLUS_209.46.00  # game Alpha's first part

# A drive with game Alpha whose file `$1` is a link to an outside file.
plant() {
    rm -rf drive/* drive/.??* outside && mkdir outside && echo secret >outside/secret
    wine "$windows/zt_install.exe" --yes game.iso 'L:' Alpha DVD </dev/null >/dev/null 2>&1 ||
        fail "the drive for $1 could not be made"
    rm -f "drive/$1" && ln -s "$work/outside/secret" "drive/$1"
}

# Each row: the file that is a link | the command | its exit status | a text it must say.
while IFS='|' read -r linked command status text; do
    plant "$linked"
    read -ra args <<<"$command"
    wine "$windows/${args[0]}.exe" "${args[@]:1}" </dev/null >out.text 2>&1
    got=$?
    checks=$((checks + 1))
    [ "$got" = "$status" ] || fail "$command with $linked a link: exit status $got, not $status"
    grep -qF -- "$text" out.text || { fail "$command with $linked a link: no \"$text\""; cat out.text; }
    [ "$(cat outside/secret 2>/dev/null)" = secret ] && [ ! -L outside/secret ] ||
        fail "$command with $linked a link changed the outside file"
    [ ! -e out.iso ] || { fail "$command exported through a link"; rm -f out.iso; }
done <<EOF
$part|zt_games delete --yes L: Alpha|0|L:\\$part is a link; it is not followed
$part|zt_games rename L: Alpha Beta|1|$part is a link; it is not followed); nothing was renamed.
$part|zt_games verify L: Alpha|1|of game Alpha is missing; the game cannot be verified.
$part|zt_games export L: Alpha out.iso|1|of game Alpha is missing; the game cannot be exported.
$part|zt_install --yes game.iso L: Alpha DVD|0|
zt.cfg|zt_games rename L: Alpha Beta|1|zt.cfg is a link; it is not followed
zt.cfg|zt_games list L:|1|zt.cfg is a link; it is not followed
tepcdfile.tep|zt_games delete --yes L: Alpha|1|tepcdfile.tep is a link; it is not followed); nothing was deleted.
EOF

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" = 0 ]
