# Each command that changes the stick, with the stick pulled while it runs, at
# several moments. After it is plugged in again every record is either the old
# one with its files intact or the new one complete, and check --yes leaves a
# sound drive that lost no game that was whole before. `make test` pulls at a
# sample of the moments (pulls_at): for each command one that stops it and one
# after it ended, for replace and delete three.
rA=$(root_of $A)
rB=$(root_of $B)
attach $B
run zt_install $CD "$rB" Copied DVD && sync

fresh() {
  dmesg -c >/dev/null  # each round reads only its own kernel messages
  umount "$rA" 2>/dev/null
  zt_format --yes "/dev/$(wait_disk $A)" FORMAT </dev/null >/dev/null || bad "FORMAT failed"
  attach $A
}
now() { cut -d ' ' -f 1 /proc/uptime | tr -d .; }  # in hundredths of a second
# Every game the stick lists is the disc's bytes.
records_whole() {
  zt_games list "$rA" </dev/null 2>/dev/null | grep '	' | cut -f 1 >/tmp/names
  while read -r name; do game_whole $A "$name"; done </tmp/names
}
# whole_one NAME...: exactly one of the names is listed, and it is whole.
whole_one() {
  found=0
  for name in "$@"; do
    zt_games list "$rA" </dev/null | grep -q "^$name	" && found=$((found + 1))
  done
  [ $found -eq 1 ] || bad "$found of $* listed"
}
# interrupt DELAY COMMAND...: runs the command and pulls the stick after DELAY
# hundredths of a second; plugs it in again and mounts it.
interrupt() {
  delay=$1
  shift
  echo "+ $* (pulled after ${delay}0 ms)"
  "$@" </dev/null >/tmp/out 2>&1 &
  pid=$!
  usleep $((delay * 10000))
  pull $A
  wait $pid
  status=$?
  cat /tmp/out
  echo "+ exit $status"
  plug $A
  fsck_no_dangling $A
  attach $A
}
# by_name NAME: the stick lists NAME once, whole, and no game that a check
# recorded again under a name of its own guessing.
by_name() {
  whole_one "$1"
  game_whole $A "$1"
  zt_games list "$rA" </dev/null | grep -q '^Recovered ' && bad "a game recorded under a guessed name"
}
repaired() {  # check --yes, then the drive is sound
  zt_games check --yes "$rA" </dev/null >/tmp/check 2>&1
  run zt_games check "$rA" && return 0
  cat /tmp/check
  bad "not sound after check --yes"
  # What the kernel's FAT driver found, if it found the volume damaged (it
  # then mounts it read-only, and only fsck.fat mends it).
  fat=$(dmesg | grep -i 'fat-fs' | tail -n 1 | sed 's/^\[[^]]*\] //')
  [ -z "$fat" ] || bad "the kernel: $fat"
}

# How long an install takes here, undisturbed: the pulls fall at fractions of it.
fresh
start=$(now)
run zt_install $CD "$rA" Kept DVD
took=$(( $(now) - start ))
echo "an install takes ${took}0 ms"

for pct in 20 50 80 100; do
  pulls_at $pct 20 100 || { echo "ZT-VERDICT install-$pct skipped"; continue; }
  fresh
  run zt_install $CD "$rA" Kept DVD && sync
  interrupt $((took * pct / 100)) zt_install $CD "$rA" New DVD
  records_whole
  game_whole $A Kept
  repaired
  records_whole
  game_whole $A Kept
  verdict install-$pct
done

# The same game installed again under its name, as a CD game this time: the
# new parts take the old ones' names. Listed, then checked, the stick holds
# the game under its name, the old copy or the new one.
for pct in 50 80 90 100; do
  pulls_at $pct 50 90 100 || { echo "ZT-VERDICT replace-$pct skipped"; continue; }
  fresh
  run zt_install $CD "$rA" Kept DVD && sync
  interrupt $((took * pct / 100)) zt_install $CD "$rA" Kept CD
  by_name Kept
  repaired
  by_name Kept
  verdict replace-$pct
done

for pct in 20 50 80 100; do
  pulls_at $pct 20 100 || { echo "ZT-VERDICT copy-$pct skipped"; continue; }
  fresh
  interrupt $((took * pct / 100)) zt_games copy "$rB" Copied "$rA"
  records_whole
  repaired
  records_whole
  game_whole $B Copied
  verdict copy-$pct
done

for delay in 0 2 5 10; do
  pulls_at $delay 0 5 || { echo "ZT-VERDICT rename-$delay skipped"; continue; }
  fresh
  run zt_install $CD "$rA" Old DVD && run zt_install $CD "$rA" Other DVD && sync
  interrupt $delay zt_games rename "$rA" Old New
  # A stopped rename may leave the record's parts under the other name, for
  # check (or the rename run again) to finish: judged whole after check.
  game_whole $A Other
  whole_one Old New
  repaired
  records_whole
  whole_one Old New
  game_whole $A Other
  verdict rename-$delay
done

for delay in 0 2 5 10; do
  pulls_at $delay 0 2 5 || { echo "ZT-VERDICT delete-$delay skipped"; continue; }
  fresh
  run zt_install $CD "$rA" Gone DVD && run zt_install $CD "$rA" Other DVD && sync
  interrupt $delay zt_games --yes delete "$rA" Gone
  records_whole
  zt_games list "$rA" </dev/null | grep -q "^Gone	" && game_whole $A Gone
  repaired
  records_whole
  game_whole $A Other
  # Gone or still there, never back under another name.
  zt_games list "$rA" </dev/null | grep -q '^Recovered ' && bad "a game recorded under a guessed name"
  verdict delete-$delay
done

# interrupt_reading DELAY COMMAND...: as interrupt, but nothing of the stick
# is cached and its mount stays until the command has ended: the command
# reads a device that is gone, never the empty folder a lazy unmount leaves.
interrupt_reading() {
  delay=$1
  shift
  sync
  echo 3 >/proc/sys/vm/drop_caches
  echo "+ $* (pulled after ${delay}0 ms, left mounted)"
  "$@" </dev/null >/tmp/out 2>&1 &
  pid=$!
  usleep $((delay * 10000))
  echo 0 >"/sys/bus/usb/devices/$A/authorized"
  wait $pid
  status=$?
  cat /tmp/out
  echo "+ exit $status"
  umount -l "$rA" 2>/dev/null
  for i in $(seq 100); do [ -z "$(disk_of $A)" ] && break; usleep 100000; done
  plug $A
  fsck_no_dangling $A
  attach $A
}

# A check pulled in its first milliseconds, while it reads the folder: a
# drive it could not read whole is never called sound. The game that no
# record names is recorded again by the check after the stick is back.
# Linux's vfat answers a folder read on a device that is gone with an empty
# folder and no error: the check must tell that from an empty drive.
for delay in 0 1 2; do
  pulls_at $delay 0 1 || { echo "ZT-VERDICT check-$delay skipped"; continue; }
  fresh
  run zt_install $CD "$rA" Lost DVD && rm "$rA/zt.cfg" && sync
  interrupt_reading $delay zt_games check --yes "$rA"
  grep -q 'is sound' /tmp/out && bad "a check that was pulled called the drive sound"
  repaired
  zt_games list "$rA" </dev/null 2>/dev/null | grep -q '	complete' || bad "the game is not recorded again"
  verdict check-$delay
done
