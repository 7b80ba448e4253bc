#!/bin/sh
# Makes a small sample game disc image, installs it into demo-drive/ (a folder
# that stands for a USB drive) and lists the games installed there.
set -eu
build=${1:-build}
work=demo-work
drive=demo-drive
mkdir -p "$work/disc" "$drive"

# The disc: a SYSTEM.CNF whose boot line names the game ID, and some content.
printf 'BOOT2 = cdrom0:\\SLUS_209.46;1\r\nVER = 1.00\r\nVMODE = NTSC\r\n' > "$work/disc/SYSTEM.CNF"
[ -f "$work/disc/DATA.BIN" ] || head -c 8388608 /dev/urandom > "$work/disc/DATA.BIN"
xorriso -as mkisofs -quiet -V DEMO_GAME -o "$work/demo.iso" "$work/disc"

# --yes: a game of that name left by an earlier run is replaced without asking.
"$build/cli/zt_install" --yes "$work/demo.iso" "$drive" "Demo Game" DVD
echo "Games on $drive:"
"$build/cli/zt_games" list "$drive"
