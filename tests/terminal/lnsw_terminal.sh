#!/bin/sh
# LNSW to another terminal: the console moves to a second pseudo-terminal
# (its prompt, statements, INPUT), the first line goes back to the user's
# settings meanwhile; LNSW alone brings the console home and closes the
# switched channel; a device that is not a terminal screen is refused; QUIT
# on the other terminal leaves both lines as they were.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
second_terminal
stty -g < "$tty2" > "$work/other.before"
home() { T capture-pane -p -t :0; }

# A device that is not a terminal screen is refused (10).
T send-keys -t :0 "OPEN (2)\"$tty2\"; LNSW 2" Enter
wait_for 'Invalid file name'
T send-keys -t :0 "CLOSE (2); OPEN (1)\"$tty2\"; DEFTTY (1)80,24; LNSW 1" Enter
wait_other '->'
stty -g < "$tty2" > "$work/other.raw"
cmp -s "$work/other.before" "$work/other.raw" && { echo "the other terminal was not put in raw mode"; exit 1; }
# The home line is back in the user's settings while the console is away.
stty -g < "$(T display -p -t :0 '#{pane_tty}')" > "$work/home.away"
cmp -s "$work/stty.before" "$work/home.away" || { echo "the home line stayed raw while the console was away"; exit 1; }
T send-keys -t :1 'PRINT "away",2+3' Enter
wait_other 'away 5'
T send-keys -t :1 '10 INPUT "name? ",N$' Enter '20 PRINT "hi ",N$' Enter 'RUN' Enter
wait_other 'name? '
T send-keys -t :1 'bob' Enter
wait_other 'hi bob'
home | grep -qF 'away' && { echo "the home terminal shows what ran away"; home; exit 1; }
# Home again: the switched channel is closed, the other line restored.
T send-keys -t :1 'LNSW' Enter
wait_last_line '-:'  # the console's prompt back at home
T send-keys -t :0 'PRINT "home",CHN(1)' Enter
wait_for 'home'
T send-keys -t :0 'LNSW 1' Enter
wait_for 'Channel not open'
stty -g < "$tty2" > "$work/other.after"
cmp -s "$work/other.before" "$work/other.after" || { echo "the other terminal line was not restored"; cat $work/other.before $work/other.raw $work/other.after; exit 1; }
# QUIT over there: the process ends and both lines are as they were.
T send-keys -t :0 "OPEN (1)\"$tty2\"; DEFTTY (1)80,24; LNSW 1" Enter
wait_other_last_line '-:'  # a prompt after the LNSW typed there before
T send-keys -t :1 'QUIT' Enter
until_ok test -f "$work/stty.after" || { echo "oru did not end after QUIT on the other terminal"; exit 1; }
cmp -s "$work/stty.before" "$work/stty.after" || { echo "the home line was not restored"; exit 1; }
stty -g < "$tty2" > "$work/other.end"
cmp -s "$work/other.before" "$work/other.end" || { echo "the other line was not restored at the end"; exit 1; }
echo passed
