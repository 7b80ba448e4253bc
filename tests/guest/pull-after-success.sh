# Each command that changes a stick reports success; the stick is pulled that
# moment and plugged in again: what the command reported must be there, whole.
# Every round starts on a freshly formatted stick, its setup made durable with
# sync, so that one round's damage does not decide the next.
rA=$(root_of $A)
rB=$(root_of $B)
attach $B

fresh() {  # fresh PORT: an empty FAT32 volume, mounted
  umount "$(root_of "$1")" 2>/dev/null
  run zt_format --yes "/dev/$(wait_disk "$1")" FORMAT >/dev/null || bad "FORMAT failed"
  attach "$1"
}
pulled() {  # pulled PORT: pulled at once, plugged in again, checked, mounted
  pull "$1"
  plug "$1"
  fsck_sound "$1"
  attach "$1"
}
sound() { run zt_games check "$(root_of "$1")" || bad "check does not find the drive sound"; }
only_part() { ls "$rA"/zt.* | grep -v 'zt\.cfg$' | head -n 1; }

fresh $A
run zt_install $CD "$rA" First DVD || bad "install failed"
pulled $A
game_whole $A First
sound $A
verdict install

fresh $A
run zt_install $CD "$rA" First CD && sync
run zt_install --yes $CD "$rA" First DVD || bad "install over First failed"
pulled $A
game_whole $A First
zt_games list "$rA" </dev/null | grep -q "^First	.*	DVD	" || bad "First is not the DVD that replaced it"
sound $A
verdict replace

fresh $A
run zt_install $CD "$rA" Old DVD && sync
run zt_games rename "$rA" Old New || bad "rename failed"
pulled $A
game_whole $A New
game_absent $A Old
sound $A
verdict rename

fresh $A
run zt_install $CD "$rA" Gone DVD && run zt_install $CD "$rA" Kept DVD && sync
run zt_games --yes delete "$rA" Gone || bad "delete failed"
pulled $A
game_absent $A Gone
game_whole $A Kept
sound $A
verdict delete

fresh $A
run zt_install $CD "$rB" Copied DVD && sync
run zt_games copy "$rB" Copied "$rA" || bad "copy failed"
pulled $A
game_whole $A Copied
sound $A
verdict copy

# A part in many pieces: its bytes copied a block at a time, each block
# followed by a cluster of another file, then renamed over the part.
fresh $A
run zt_install $CD "$rA" Pieces DVD && sync
part=$(only_part)
blocks=$(( ($(stat -c %s "$part") + 65535) / 65536 ))
for i in $(seq 0 $((blocks - 1))); do
  dd if="$part" of="$rA/pieces.tmp" bs=65536 skip=$i seek=$i count=1 conv=notrunc 2>/dev/null
  dd if=/dev/zero bs=4096 count=1 2>/dev/null >>"$rA/filler"
done
mv "$rA/pieces.tmp" "$part" && rm "$rA/filler" && sync
vol=$(part_dev $A)
zt_games frag "$rA" "$vol" </dev/null >/dev/null 2>&1 && bad "the part could not be broken up"
run zt_games frag --yes "$rA" "$vol" || bad "frag --yes failed"
pulled $A
game_whole $A Pieces
run zt_games frag "$rA" "$(part_dev $A)" || bad "the part is not in one piece"
sound $A
verdict frag

# A whole game that no record names: check --yes records it again.
fresh $A
run zt_install $CD "$rA" Lost DVD && rm "$rA/zt.cfg" && sync
run zt_games check --yes "$rA"
pulled $A
name=$(zt_games list "$rA" </dev/null 2>/dev/null | grep '	' | head -n 1 | cut -f 1)
[ -n "$name" ] && game_whole $A "$name" || bad "no game recorded after check --yes"
sound $A
verdict check-recovers
