# The whole path on a blank stick: a partition table that the kernel's own
# parser reads, FAT32, the kernel's vfat driver, an install from the optical
# drive and every command that reads the game.
dev=/dev/$(wait_disk $A)
root=$(root_of $A)
run zt_format "$dev" INFO
run zt_format --yes "$dev" INIT || bad "INIT failed"
grep -q " ${dev#/dev/}1\$" /proc/partitions || bad "the kernel shows no ${dev}1 after INIT"
run zt_format "$dev" INFO || bad "INFO failed after INIT"
run zt_format --yes "$dev" FORMAT || bad "FORMAT failed"
attach $A
run zt_install $CD "$root" GameOne DVD || bad "install failed"
run zt_games list "$root"
game_whole $A GameOne
run zt_games verify "$root" GameOne $CD || bad "verify against the disc failed"
run zt_games check "$root" || bad "check does not find the drive sound"
run zt_games frag "$root" || bad "frag on the mount failed"
detach $A
fsck_sound $A
verdict whole-path
