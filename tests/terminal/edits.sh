#!/bin/sh
# The edit mnemonics 'DC' 'IC' 'LD' 'LI' 'CL' 'CE': done by the terminal
# where its driver defines them, emulated where the definitions are
# deleted; the screen must be the same both ways.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/edits.bas"
wait_for 'after'
wait_for '-:'
expect_screen_soon "$here/edits.screen"
T send-keys "MNEMONIC (0)'DC',\"\",'IC',\"\",'LD',\"\",'LI',\"\",'CL',\"\",'CE',\"\"" Enter
wait_for 'MNEMONIC (0)'
T send-keys 'RUN' Enter
wait_for 'after'
wait_for '-:'
expect_screen_soon "$here/edits.screen"
quit_and_check_line
