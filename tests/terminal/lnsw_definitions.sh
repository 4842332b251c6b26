#!/bin/sh
# LNSW to another terminal: the console takes that terminal's definitions,
# its '*H' definition among them, for as long as the switch lasts; LNSW
# alone gives the home terminal's back.  The texts waited for are what the
# statements print, never the statements as typed.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
second_terminal

# Each terminal has a '*H' definition of its own; the console reads its own.
T send-keys -t :0 "MNEMONIC (0)'*H',\"home-\"+\"def\"; PRINT \"<\",MNM(\$1B\$+\"*H\"),\">\"" Enter
wait_for '<home-def>'
T send-keys -t :0 "OPEN (1)\"$tty2\"; DEFTTY (1)80,24; MNEMONIC (1)'*H',\"away-\"+\"def\"; LNSW 1" Enter
wait_other '->'
# Over there the console's definition is the other terminal's.
T send-keys -t :1 'PRINT "<",MNM($1B$+"*H"),">",MNM($1B$+"*H",0)=MNM($1B$+"*H")' Enter
wait_other '<away-def> 1'
# Deleting it there leaves the console without one while the switch lasts.
T send-keys -t :1 "MNEMONIC (0)'*H',\"\"; PRINT \"[\",MNM(\$1B\$+\"*H\"),\"]\",\"deleted\"" Enter
wait_other '[]deleted'
T send-keys -t :1 "MNEMONIC (0)'*H',\"again-\"+\"def\"; PRINT \"<\",MNM(\$1B\$+\"*H\"),\">\"" Enter
wait_other '<again-def>'
# Home again: the home terminal's own definition is back.
T send-keys -t :1 'LNSW' Enter
wait_last_line '->'  # the console's prompt back at home
T send-keys -t :0 'PRINT "(",MNM($1B$+"*H"),")","home"' Enter
wait_for '(home-def)home'
# A second switch reads the terminal's definitions afresh: a channel opened
# anew on it has none until its own MNEMONIC gives one.
T send-keys -t :0 "OPEN (1)\"$tty2\"; DEFTTY (1)80,24; LNSW 1" Enter
wait_other_last_line '->'  # a prompt after the LNSW typed there before
T send-keys -t :1 'PRINT "{",MNM($1B$+"*H"),"}","fresh"' Enter
wait_other '{}fresh'
T send-keys -t :1 'LNSW' Enter
wait_last_line '->'
T send-keys -t :0 'PRINT "(",MNM($1B$+"*H"),")","again home"' Enter
wait_for '(home-def)again home'
quit_and_check_line
echo passed
