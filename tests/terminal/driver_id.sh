#!/bin/sh
# The console's terminal id, when one is given (ORUFID0, or -ID= which
# wins), names the console's driver program; an id with no driver leaves
# the choice to TERM and says so.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
# TERM=xterm, the id vt100: vt100's driver ('CS' clears from the cursor
# down, where xterm's clears the whole screen).
ORUFID0=vt100; export ORUFID0
start xterm
T send-keys "PRINT \"[\",FID(0),\"]\",MNM('CS')=\$1B5B481B5B4A\$" Enter
wait_for '[vt100] 1'
T kill-server
sock="$work/tmux2"  # a server of its own
unset ORUFID0
# An id without a driver: TERM's driver, with a word about it.
oru="$oru -ID=ZZ"
start xterm
expect 'Terminal id "ZZ" has no driver "*dev/ZZ": using "xterm"' "no word of the id without a driver"
T send-keys "PRINT \"[\",FID(0),\"]\",MNM('CS')=\$1B5B481B5B4A\$" Enter
wait_for '[ZZ] 0'
exit 0
