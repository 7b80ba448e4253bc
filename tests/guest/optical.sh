# The optical drives: sr0 holds no disc, sr1 a disc with sectors that cannot
# be read, sr2 a good disc.
rA=$(root_of $A)
attach $A
nothing_written() {
  left=$(ls "$rA")
  [ -z "$left" ] || bad "left on the stick: $(echo $left)"
}

run zt_install /dev/sr0 "$rA" Empty DVD >/tmp/out 2>&1
status=$?
cat /tmp/out
[ $status -ne 0 ] || bad "an install from an empty drive succeeded"
grep -qi "disc\|medium" /tmp/out || bad "no message about the missing disc"
nothing_written
verdict no-disc

run timeout 600 zt_install /dev/sr1 "$rA" Broken DVD >/tmp/out 2>&1
status=$?
cat /tmp/out
[ $status -ne 0 ] && [ $status -ne 143 ] || bad "exit status $status"
grep -q "READ ERROR.. Retry" /tmp/out || bad "no retry"
grep -q "GIVING UP" /tmp/out || bad "no GIVING UP"
nothing_written
verdict read-errors

# The stick pulled halfway through an install: the tool says so and ends.
timeout 120 zt_install /dev/sr2 "$rA" Pulled DVD </dev/null >/tmp/out 2>&1 &
pid=$!
for i in $(seq 300); do
  [ "$(ls "$rA" | grep -v 'zt\.cfg' | head -n 1)" ] && break
  usleep 20000
done
usleep 500000
pull $A
wait $pid
status=$?
cat /tmp/out
[ $status -ne 0 ] || bad "the install succeeded without its stick"
[ $status -ne 143 ] || bad "the install hung"
grep -q "copy finished" /tmp/out && bad "it says the copy finished"
grep -qi "error\|cannot" /tmp/out || bad "no error message"
verdict stick-pulled
