#!/bin/sh
# The console's terminal id, when one is given (ORUFID0, or -ID= which
# wins), names the console's driver program; an id with no driver ends
# start-up with error 100.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
# TERM=xterm, the id vt100: vt100's driver ('CS' clears from the cursor
# down, where xterm's clears the whole screen).
ORUFID0=vt100; export ORUFID0
start xterm
T send-keys "PRINT \"[\",FID(0),\"]\",MNM('CS')=\$1B5B481B5B4A\$" Enter
wait_for '[vt100] 1'
T kill-server
unset ORUFID0
# An id without a driver ends start-up: the start-up box's error 100 and
# status 1.
sock="$work/tmux2"  # a server of its own
T -f /dev/null new-session -d -x 80 -y 24 \
  "cd '$work' && TERM=xterm ORULIB='$lib' $oru -ID=ZZ; echo \"status=\$?\" > '$work/status'; sleep 60"
until_ok test -s "$work/status" || { echo "oru did not end for an id without a driver"; screen; exit 1; }
screen | grep -q "Error #100 - No driver for terminal type or library missing" ||
  { echo "no error 100 for an id without a driver"; screen; exit 1; }
grep -q "status=1" "$work/status" || { echo "not status 1: $(cat "$work/status")"; exit 1; }
exit 0
