#!/bin/bash
# The Windows tools under Wine against the Linux ones: each command is run by
# both on drives of their own, and the drives must end up byte for byte the
# same (part files and zt.cfg), with the same exit status and, but for the
# paths, the same output. Covers installs from ISO and BIN/CUE, list,
# details, rename, copy, check, verify (with a DAT), export, delete, and INIT
# and FORMAT of a disk image file.
# Usage: same-as-linux.sh LINUX_BIN_DIR WINDOWS_BIN_DIR
set -u
linux=$1
windows=$2
command -v xorriso >/dev/null || { echo "SKIP: no xorriso to make a disc image"; exit 77; }
command -v wine >/dev/null || { echo "SKIP: no wine"; exit 77; }
# Wine reads the arguments in the locale's encoding: UTF-8, as the tools take them.
export LC_ALL=C.UTF-8

work=$(mktemp -d "${TMPDIR:-/tmp}/zt-windows-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
checks=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Runs one tool on both systems: "$1" is the tool, the rest its arguments,
# where @D@ stands for each system's own drive folder and @E@ for its second one.
both() {
    local tool=$1
    shift
    local linuxArgs=() windowsArgs=()
    for arg in "$@"; do
        linuxArgs+=("${arg//@D@/$work/linux}")
        windowsArgs+=("${arg//@D@/$work/windows}")
        linuxArgs[-1]=${linuxArgs[-1]//@E@/$work/linux2}
        windowsArgs[-1]=${windowsArgs[-1]//@E@/$work/windows2}
    done
    "$linux/$tool" "${linuxArgs[@]}" </dev/null >linux.out 2>linux.err
    local linuxStatus=$?
    wine "$windows/$tool.exe" "${windowsArgs[@]}" </dev/null >windows.out 2>windows.err
    local windowsStatus=$?
    checks=$((checks + 1))
    echo "$tool $*: exit status $linuxStatus"
    [ "$linuxStatus" = "$windowsStatus" ] ||
        fail "$tool $*: exit status $linuxStatus on Linux, $windowsStatus on Windows"
    # The same text once each system's paths and line ends are taken out. The
    # free space differs: Wine counts the blocks kept for root as used.
    local same=(-e 's|Free Size:[0-9]*MB|Free Size:NMB|' -e 's|"free_mb": [0-9]*|"free_mb": N|')
    sed "${same[@]}" -e "s|$work/linux|DRIVE|g" linux.out linux.err | tr -d '\r' >linux.text
    sed "${same[@]}" -e "s|$work/windows|DRIVE|g" -e 's|\\|/|g' windows.out windows.err |
        tr -d '\r' >windows.text
    cmp -s linux.text windows.text || { fail "$tool $*: the output differs"; diff linux.text windows.text | head -20; }
}

sameTree() {
    checks=$((checks + 1))
    diff -r "$work/$1" "$work/$2" >/dev/null || { fail "$1 and $2 differ"; diff -r "$work/$1" "$work/$2" | head; }
}

# A disc: SYSTEM.CNF naming the game ID, and a few megabytes of data.
mkdir -p disc/DATA linux windows linux2 windows2
printf 'BOOT2 = cdrom0:\\SLUS_209.46;1\r\nVER = 1.00\r\n' >disc/SYSTEM.CNF
head -c 5000000 /dev/urandom >disc/DATA/GAME.BIN
xorriso -as mkisofs -quiet -V GAME -o game.iso disc || exit 1
# The same disc as raw 2352-byte Mode 1 sectors with a CUE sheet.
perl -e '
    sub bcd { my $v = shift; return chr((int($v / 10) << 4) | ($v % 10)); }
    open(my $in, "<:raw", "game.iso") or die; open(my $out, ">:raw", "game.bin") or die;
    for (my $lba = 0; read($in, my $data, 2048) == 2048; ++$lba) {
        my $f = $lba + 150;
        print $out "\x00" . ("\xFF" x 10) . "\x00" . bcd(int($f / 4500)) . bcd(int($f / 75) % 60)
            . bcd($f % 75) . "\x01" . $data . ("\xEE" x 288);
    }' || exit 1
printf 'FILE "game.bin" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n' >game.cue

both zt_install --yes game.iso @D@ "My Game" DVD
sameTree linux windows
# Drive letters, as Windows names drives: the disc image as the optical drive
# S (Wine reads \\.\S: from it), a drive folder as T.
prefix=${WINEPREFIX:-$HOME/.wine}
mkdir linux3 windows3
ln -sfn "$work/windows3" "$prefix/dosdevices/t:"
ln -sfn "$work/game.iso" "$prefix/dosdevices/s::"
trap 'rm -rf "$work" "$prefix/dosdevices/t:" "$prefix/dosdevices/s::"' EXIT
"$linux/zt_install" --yes game.iso linux3 "Letter Game" DVD </dev/null >/dev/null 2>&1
wine "$windows/zt_install.exe" --yes S T "Letter Game" DVD </dev/null >windows.out 2>&1 ||
    { fail "zt_install S T: exit status $?"; cat windows.out; }
sameTree linux3 windows3

# Windows alone: the tool run in $work, its output in windows.text, exit status returned.
onWindows() {
    local tool=$1
    shift
    wine "$windows/$tool.exe" "$@" </dev/null >windows.out 2>&1
    local status=$?
    sed 's|Free Size:[0-9]*MB|Free Size:NMB|' windows.out | tr -d '\r' >windows.text
    return $status
}
expectText() {
    checks=$((checks + 1))
    grep -qF -- "$1" windows.text || { fail "$2: no \"$1\""; cat windows.text; }
}
# Every spelling of a drive names it; only its letter counts.
onWindows zt_install --yes 'S:\' '\\?\T:\' "Spelled Game" DVD ||
    fail "zt_install S:\ \\?\T:\: exit status $?"
onWindows zt_games list T && cp windows.text list-by-letter.text
for spelling in 't:' 'T:\' '\\.\T:' '\\?\T:\'; do
    onWindows zt_games list "$spelling" || fail "zt_games list $spelling: exit status $?"
    checks=$((checks + 1))
    cmp -s windows.text list-by-letter.text || fail "zt_games list $spelling lists otherwise"
    onWindows zt_games check "$spelling" || fail "zt_games check $spelling: exit status $?"
done
# cmd.exe passes "T:\" on as T:" ; a fixed drive holds no disc; help speaks of letters.
onWindows zt_install S 'T:"' "Game" DVD
[ $? = 2 ] || fail "zt_install with T:\": not wrong usage"
expectText 'T:" is not a drive: in a command prompt the backslash of "T:\" quotes' 'the quote trap'
onWindows zt_install C: T "Game" DVD
[ $? = 1 ] || fail "zt_install from C: did not fail"
expectText "C: is not an optical drive" "zt_install from C:"
for help in /? -?; do
    onWindows zt_install "$help" || fail "zt_install $help: exit status $?"
    expectText "the CD/DVD drive's letter (G or G:)" "zt_install $help"
    checks=$((checks + 1))
    ! grep -q /dev/ windows.text || fail "zt_install $help names /dev/"
done
onWindows zt_format --yes Q: FORMAT
[ $? = 1 ] || fail "zt_format Q: did not fail"
expectText "There is no disk, partition or disk image file at Q:" "zt_format Q:"
onWindows zt_format missing.img INFO
expectText "missing.img: No such file or directory" "zt_format missing.img"

# The programs themselves: each with its icon and version, and importing only
# what a console tool needs (no sockets, no window or clipboard functions).
for tool in zt_install zt_games zt_format; do
    checks=$((checks + 1))
    strings -el "$windows/$tool.exe" | grep -qx "$tool.exe" || fail "$tool.exe: no version resource"
    LC_ALL=C grep -qa $'\x89PNG' "$windows/$tool.exe" || fail "$tool.exe: no icon"
    imports=$(x86_64-w64-mingw32-objdump -p "$windows/$tool.exe" | sed -n 's/.*DLL Name: //p')
    checks=$((checks + 1))
    ! grep -qiE 'ws2_32|user32|shell32' <<<"$imports" || fail "$tool.exe imports" $imports
done
# Folders whose names are not ASCII, as many Windows users' folders are: the
# CUE sheet's folder and the drive's.
mkdir -p "Spiele für José" "linux ü" "windows ü" && cp game.bin game.cue "Spiele für José/"
"$linux/zt_install" --yes "Spiele für José/game.cue" "linux ü" "Raw Game" CD </dev/null >/dev/null 2>&1
wine "$windows/zt_install.exe" --yes "Spiele für José/game.cue" "windows ü" "Raw Game" CD \
    </dev/null >windows.out 2>&1 || { fail "zt_install into windows ü: exit status $?"; cat windows.out; }
sameTree "linux ü" "windows ü"
both zt_install --yes game.cue @D@ "Raw Game" CD
sameTree linux windows
both zt_games list @D@
both zt_games list @D@ --json
both zt_games details @D@ "My Game"
both zt_games rename @D@ "Raw Game" "Renamed Game"
sameTree linux windows
both zt_games copy @D@ "My Game" @E@
sameTree linux2 windows2
both zt_games check @D@
sha1=$(sha1sum game.iso | cut -d' ' -f1)
printf '<?xml version="1.0"?>\n<datafile><game name="The Game"><rom name="game.iso" sha1="%s"/></game></datafile>\n' "$sha1" >games.dat
both zt_games verify @D@ "My Game" --dat games.dat
both zt_games verify @D@ "My Game" game.iso
both zt_games export @D@ "My Game" @D@.iso
checks=$((checks + 1))
cmp -s "$work/linux.iso" "$work/windows.iso" || fail "the exported images differ"
cmp -s "$work/linux.iso" game.iso || fail "the exported image is not the disc"
both zt_games delete --yes @D@ "Renamed Game"
sameTree linux windows

# A disk image file: a new partition table, then FAT32.
truncate -s 100M linux.img windows.img
both zt_format --yes @D@.img INIT
both zt_format --yes @D@.img FORMAT
both zt_format @D@.img INFO
checks=$((checks + 1))
cmp -s linux.img windows.img || fail "the formatted disk images differ"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" = 0 ]
