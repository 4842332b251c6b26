#!/bin/sh
# An unknown terminal type is reported and the console falls back to the
# dumb driver; an interrupt (SIGINT from the keyboard, SIGTSTP sent by
# another process) while a program waits in raw mode leaves the session
# and, after QUIT, the user's terminal line as they were; SIGTERM restores
# the line before the process ends.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start nosuchterm
wait_for 'Terminal type "nosuchterm" has no driver "*dev/nosuchterm": using "dumb"'
T send-keys 'PRINT 6*7' Enter
wait_for ' 42'
T send-keys '10 INPUT "Value? ",V' Enter 'RUN' Enter
wait_last_line 'Value?'  # the line typed shows the text at once
T send-keys C-c
wait_count '0010 INPUT' 1
T send-keys '20 PRINT "V=",V' Enter 'RUN' Enter
wait_last_line 'Value?'  # the first run's prompt still shows
pid=$(cat "$work/pid")
no_stutter
kill -TSTP "$pid"
wait_count '0010 INPUT' 2
T send-keys 'PRINT "still here"' Enter
wait_for 'still here'
quit_and_check_line
grep -q 'status=0' "$work/status" || { echo "oru ended with $(cat "$work/status")"; exit 1; }

# SIGTERM while the line is raw.
T kill-server 2> /dev/null
sock="$sock-2"  # a server of its own: the old one may still be going away
rm -f "$work/stty.after" "$work/status"
start xterm
T send-keys '10 INPUT "raw? ",X$' Enter 'RUN' Enter
wait_last_line 'raw?'
pid=$(cat "$work/pid")
kill -TERM "$pid"
until_ok test -f "$work/stty.after"
cmp -s "$work/stty.before" "$work/stty.after" || { echo "SIGTERM left the terminal line raw"; exit 1; }
