# Each command that changes the stick, stopped just before its N-th file
# operation, the stick pulled there: once while the command stands still
# (the stick holds only what the command had flushed), and once a moment after
# it goes on again, so that the pull falls inside that operation's writes (the
# stick serves few requests a second, so each operation's writes take a
# while). Every N of an install, a replace, a rename, a delete and a
# check --yes with ZT_FULL_WALK=1 (make test-full); a sample of them otherwise.
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

# stop_at N WHEN COMMAND...: runs the command until just before its N-th file
# operation and pulls the stick there: WHEN "still" while it stands still,
# a number of milliseconds after it goes on again. Plugs the stick in again
# and mounts it. Fails when the command ended before its N-th operation.
stop_at() {
  at=$1
  pull_when=$2
  shift 2
  ZT_STOP_AT=$at "$@" </dev/null >/tmp/out 2>&1 &
  pid=$!
  while [ "$(state_of $pid)" != T ]; do
    if ! kill -0 $pid 2>/dev/null || [ "$(state_of $pid)" = Z ]; then
      wait $pid
      return 1
    fi
    usleep 5000
  done
  echo "+ $* | pulled at $(grep ZT-STOPPED /tmp/out | cut -d ' ' -f 2-) ($pull_when)"
  if [ "$pull_when" = still ]; then
    pull $A
    kill -CONT $pid
  else
    kill -CONT $pid
    usleep $((pull_when * 1000))
    pull $A
  fi
  wait $pid
  echo "+ exit $?"
  plug $A
  fsck_no_dangling $A
  attach $A
}

# walk NAME SAMPLED PREPARE JUDGE COMMAND...: for each N and each kind of
# pull (every one, or the sampled N-WHEN): PREPARE, then the command stopped at N and the
# stick pulled, then JUDGE, check --yes, JUDGE again. One verdict for all.
walk() {
  round=$1 samples=$2 prepare=$3 judge=$4
  shift 4
  n=0
  while [ $n -lt 200 ]; do
    n=$((n + 1))
    for when in still 10; do
      pulls_at $n-$when $samples || continue
      $prepare
      if ! stop_at $n $when "$@"; then
        echo "$round: the command has $((n - 1)) file operations"
        break 2
      fi
      $judge
      repaired
      $judge
    done
  done
  verdict $round
}

prepare_install() { fresh; install_on Kept DVD; sync; }
judge_install() {
  no_guess
  whole_as Kept DVD
  zt_games list "$rA" </dev/null 2>/dev/null | grep -q '^New	' && whole_as New CD
}
walk install "4-still 9-10" prepare_install judge_install zt_install $CD "$rA" New CD

# The same game again under its name, as a CD game: the new parts take the
# old ones' names, and the record is the old one or the new one.
prepare_replace() { fresh; install_on Kept DVD; install_on Other DVD; sync; }
judge_replace() { no_guess; whole_as Kept DVD CD; whole_as Other DVD; }
walk replace "12-still 21-10" prepare_replace judge_replace zt_install --yes $CD "$rA" Kept CD

prepare_rename() { fresh; install_on Old DVD; install_on Other CD; sync; }
judge_rename() {
  no_guess
  whole_as Other CD
  if zt_games list "$rA" </dev/null 2>/dev/null | grep -q '^Old	'; then whole_as Old DVD; else whole_as New DVD; fi
}
walk rename "3-10" prepare_rename judge_rename zt_games rename "$rA" Old New

prepare_delete() { fresh; install_on Gone DVD; install_on Other CD; sync; }
judge_delete() {
  no_guess
  whole_as Other CD
  zt_games list "$rA" </dev/null 2>/dev/null | grep -q '^Gone	' && whole_as Gone DVD
}
walk delete "2-still" prepare_delete judge_delete zt_games --yes delete "$rA" Gone

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
walk check "2-10" prepare_check judge_check zt_games check --yes "$rA"
