# What the guest scenarios share: the sticks by their USB ports, pulling a
# stick and plugging it in again, mounting it, judging what is on it, and the
# verdict lines the test reads from the console.

A=2-1  # the first stick's USB port
B=2-2  # the second stick's, when the test attached one
CD=/dev/sr0
problems=""

bad() { problems="$problems $*;"; }
# verdict NAME: one line for the test, then the next round starts clean.
verdict() {
  if [ -z "$problems" ]; then echo "ZT-VERDICT $1 ok"; else echo "ZT-VERDICT $1 fail:$problems"; fi
  problems=""
}
# pulls_at MOMENT SAMPLED...: whether this boot pulls at MOMENT: at every one
# with ZT_FULL_WALK=1 (make test-full), else at the sampled ones. A moment
# left out prints "skipped" in place of its verdict.
pulls_at() {
  moment=$1
  shift
  [ "$ZT_FULL_WALK" = 1 ] && return 0
  for sampled in "$@"; do [ "$sampled" = "$moment" ] && return 0; done
  return 1
}
# run COMMAND...: runs one of our tools with its output on the console.
run() {
  echo "+ $*"
  "$@" </dev/null
  status=$?
  echo "+ exit $status"
  return $status
}

disk_of() {  # the block device of the stick on port $1, empty while there is none
  for b in /sys/bus/usb/devices/"$1"/"$1":1.0/host*/target*/*/block/*; do
    [ -e "$b" ] && { basename "$b"; return 0; }
  done
}
wait_disk() {
  for i in $(seq 150); do
    d=$(disk_of "$1")
    [ -n "$d" ] && [ -e "/dev/$d" ] && { echo "$d"; return 0; }
    usleep 100000
  done
  return 1
}
part_dev() {  # the first partition of the stick on port $1, once the kernel has it
  d=$(wait_disk "$1") || return 1
  for i in $(seq 50); do
    [ -e "/dev/${d}1" ] && { echo "/dev/${d}1"; return 0; }
    usleep 100000
  done
  return 1
}
root_of() { echo "/mnt/$1"; }

attach() {  # mounts the stick on port $1 at /mnt/PORT
  mkdir -p "/mnt/$1"
  p=$(part_dev "$1") || { bad "no partition on $1"; return 1; }
  mount -t vfat "$p" "/mnt/$1" || { bad "mount $p failed"; return 1; }
}
detach() { umount "/mnt/$1"; }
# pull PORT: the stick is gone to the kernel, as when a person pulls it; what
# the kernel had not written yet is lost with it.
pull() {
  echo 0 >"/sys/bus/usb/devices/$1/authorized"
  umount -l "/mnt/$1" 2>/dev/null
  for i in $(seq 100); do [ -z "$(disk_of "$1")" ] && return 0; usleep 100000; done
}
plug() { echo 1 >"/sys/bus/usb/devices/$1/authorized"; }
reconnect() { pull "$1"; plug "$1"; }

# fsck_sound PORT: fsck.fat finds nothing wrong on the unmounted stick beyond
# what any pull leaves: the dirty bit (byte 65 of the boot sector, which the
# backup lacks) and the free-cluster count the kernel writes lazily.
fsck_sound() {
  p=$(part_dev "$1") || { bad "no partition to check"; return 1; }
  out=$(fsck.fat -n "$p" 2>&1)
  rest=$(echo "$out" | grep -v -e '^fsck.fat ' -e 'Dirty bit is set' -e 'some data may be corrupt' \
    -e 'Automatically removing dirty bit' -e 'files, .* clusters' -e '^\*\*\* Filesystem was changed' \
    -e 'differences between boot sector and its backup' -e 'mostly harmless' -e '^  65:01/00$' \
    -e 'Not automatically fixing this' -e 'Free cluster summary wrong' -e 'Auto-correcting' \
    -e 'codepage 850' -e 'internal CP850' -e 'Leaving filesystem unchanged' -e 'The changes have not yet been written' -e '^$')
  [ -z "$rest" ] && return 0
  echo "$out"
  bad "fsck.fat: $(echo "$rest" | head -n 2 | tr '\n' ' ')"
  return 1
}

# fsck_no_dangling PORT: after a pull at any moment, no entry of the unmounted
# stick stands on clusters the FAT calls free or that another file holds, and
# no chain is broken: the kernel's driver would find such a volume damaged and
# go read-only. Clusters that no entry names (a removal that got only as far as
# its entry) are what fsck.fat reclaims, and harmless.
fsck_no_dangling() {
  p=$(part_dev "$1") || { bad "no partition to check"; return 1; }
  out=$(fsck.fat -n "$p" 2>&1)
  harm=$(echo "$out" | grep -i -e 'Contains a .* cluster' -e 'start cluster' -e 'share clusters' \
    -e 'Circular cluster chain')
  [ -z "$harm" ] && return 0
  echo "$out"
  bad "fsck.fat: $(echo "$harm" | head -n 2 | tr '\n' ' ')"
  return 1
}

# game_whole PORT NAME [SOURCE]: the game is listed complete, and what our
# export makes of its parts is byte for byte SOURCE (the disc by default).
game_whole() {
  root=$(root_of "$1")
  zt_games list "$root" </dev/null | grep -q "^$2	.*	complete" ||
    { bad "$2 is not listed complete"; return 1; }
  rm -f /tmp/export.iso
  zt_games export "$root" "$2" /tmp/export.iso </dev/null >/tmp/export.out 2>&1 ||
    { bad "$2 cannot be exported ($(grep -v '^Disk Size' /tmp/export.out | tail -n 1))"; return 1; }
  cmp -s /tmp/export.iso "${3:-$CD}" || { bad "$2 differs from the disc"; return 1; }
  rm -f /tmp/export.iso
}
game_absent() {
  zt_games list "$(root_of "$1")" </dev/null | grep -q "^$2	" && { bad "$2 is still listed"; return 1; }
  return 0
}
