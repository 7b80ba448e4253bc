# Each command that changes the stick, with the stick pulled before its N-th
# file operation (the command stopped there), and after the K-th write that
# reached the stick (inside the operations' flushes, where the order of the
# file system's own writes decides what a pull leaves). Every N and K of an
# install, a replace, a rename, a delete and a check --yes with
# ZT_FULL_WALK=1 (make test-full); a sample of them otherwise.
# After each pull every record is the old one with its files or the new one
# with its files, judged by name and media type.
rA=$(root_of $A)

fresh() {
  dmesg -c >/dev/null
  umount "$rA" 2>/dev/null
  zt_format --yes "/dev/$(wait_disk $A)" FORMAT </dev/null >/dev/null 2>&1 || bad "FORMAT failed"
  attach $A
}
install_on() { zt_install "$CD" "$rA" "$1" "$2" </dev/null >/dev/null 2>&1 || bad "setup: install $1"; }
listed() { zt_games list "$rA" </dev/null 2>/dev/null | grep -q "^$1	.*	$2	complete"; }
# whole_as NAME MEDIA...: NAME is listed once, complete, as one of the media
# types, and its parts are the disc.
whole_as() {
  name=$1
  shift
  count=$(zt_games list "$rA" </dev/null 2>/dev/null | grep -c "^$name	")
  [ "$count" = 1 ] || { bad "$name listed $count times"; return 1; }
  for media in "$@"; do listed "$name" "$media" && { game_whole $A "$name"; return; }; done
  bad "$name is not listed complete as $*"
}
no_guess() {
  zt_games list "$rA" </dev/null 2>/dev/null | grep -q '^Recovered ' && bad "a game recorded under a guessed name"
}
repaired() {
  zt_games check --yes "$rA" </dev/null >/tmp/check 2>&1
  zt_games check "$rA" </dev/null >/dev/null 2>&1 && return 0
  cat /tmp/check
  bad "not sound after check --yes"
}
state_of() { cut -d ' ' -f 3 "/proc/$1/stat" 2>/dev/null; }

# stop_at N COMMAND...: runs the command until just before its N-th file
# operation and pulls the stick while it stands there; the stick holds what
# the command flushed before it. Fails when the command ended first.
stop_at() {
  at=$1
  shift
  ZT_STOP_AT=$at "$@" </dev/null >/tmp/out 2>&1 &
  pid=$!
  while [ "$(state_of $pid)" != T ]; do
    if [ "$(state_of $pid)" = Z ] || ! kill -0 $pid 2>/dev/null; then
      wait $pid
      return 1
    fi
    usleep 5000
  done
  echo "+ $* | pulled before $(grep ZT-STOPPED /tmp/out | cut -d ' ' -f 2-)"
  pull $A
  kill -CONT $pid
  ended
}
# pull_after K COMMAND...: runs the command and pulls the stick as soon as
# the stick has completed K write requests since it began: with one request
# every 1/20 s, before the next one lands, so that the stick holds the first
# K (or K+1) of the command's writes, wherever they fall inside its
# operations. Fails when the command ended first.
pull_after() {
  want=$1
  shift
  disk=$(disk_of $A)
  read -r x x x x before x </sys/block/$disk/stat
  "$@" </dev/null >/tmp/out 2>&1 &
  pid=$!
  while :; do
    read -r x x x x now x </sys/block/$disk/stat
    [ $((now - before)) -ge $want ] && break
    if [ "$(state_of $pid)" = Z ] || ! kill -0 $pid 2>/dev/null; then
      wait $pid
      return 1
    fi
  done
  pull $A
  echo "+ $* | pulled after write $want"
  ended
}
ended() {  # the pulled command's end; the stick back and mounted
  wait $pid
  echo "+ exit $?"
  plug $A
  fsck_no_dangling $A
  attach $A
}
judged() {
  $judge
  repaired
  $judge
}

# walk NAME SAMPLED PREPARE JUDGE COMMAND...: PREPARE, then the command
# pulled before each file operation N ("opN"), and after each write K that
# reaches the stick ("wK"): every one, or the SAMPLED; each time JUDGE,
# check --yes, JUDGE again. One verdict for the whole walk.
walk() {
  round=$1 samples=$2 prepare=$3 judge=$4
  shift 4
  n=0
  while [ $n -lt 200 ]; do
    n=$((n + 1))
    pulls_at op$n $samples || continue
    $prepare
    stop_at $n "$@" || { echo "$round: $((n - 1)) file operations"; break; }
    judged
  done
  n=0
  while [ $n -lt 400 ]; do
    n=$((n + 1))
    pulls_at w$n $samples || continue
    $prepare
    pull_after $n "$@" || { echo "$round: $((n - 1)) writes"; break; }
    judged
  done
  verdict $round
}

prepare_install() { fresh; install_on Kept DVD; sync; }
judge_install() {
  no_guess
  whole_as Kept DVD
  zt_games list "$rA" </dev/null 2>/dev/null | grep -q '^New	' && whole_as New CD
}
walk install "w8 w14" prepare_install judge_install zt_install $CD "$rA" New CD

# The same game again under its name, as a CD game: the new parts take the
# old ones' names, and the record is the old one or the new one.
prepare_replace() { fresh; install_on Kept DVD; install_on Other DVD; sync; }
judge_replace() { no_guess; whole_as Kept DVD CD; whole_as Other DVD; }
walk replace "op35" prepare_replace judge_replace zt_install --yes $CD "$rA" Kept CD

prepare_rename() { fresh; install_on Old DVD; install_on Other CD; sync; }
judge_rename() {
  no_guess
  whole_as Other CD
  if zt_games list "$rA" </dev/null 2>/dev/null | grep -q '^Old	'; then whole_as Old DVD; else whole_as New DVD; fi
}
walk rename "w4" prepare_rename judge_rename zt_games rename "$rA" Old New

prepare_delete() { fresh; install_on Gone DVD; install_on Other CD; sync; }
judge_delete() {
  no_guess
  whole_as Other CD
  zt_games list "$rA" </dev/null 2>/dev/null | grep -q '^Gone	' && whole_as Gone DVD
}
walk delete "w17 w20" prepare_delete judge_delete zt_games --yes delete "$rA" Gone

# A game that no record names: check --yes records it again (under a name
# of its own, there being none), and a pull at any moment of that leaves it
# whole, recorded or not.
prepare_check() { fresh; install_on Lost DVD; rm "$rA/zt.cfg"; sync; }
judge_check() {
  name=$(zt_games list "$rA" </dev/null 2>/dev/null | grep '	complete' | cut -f 1)
  if [ -n "$name" ]; then
    whole_as "$name" DVD CD
  else
    ls "$rA" | grep -q '^zt\.[0-9A-F]*\.' || bad "the game's parts are gone"
  fi
}
walk check "w2" prepare_check judge_check zt_games check --yes "$rA"
