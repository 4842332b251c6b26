#!/bin/sh
# 'DO' with a control handler whose "Mnemonics" object has "DropObjects":
# the method gets the current window's text area (inside any frame) as
# screen positions: left column, top line, right column, bottom line.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/objctl_drop_objects.bas"
expect 'corners 0,0,79,23;10,5,49,12;31,3,68,6;' "DropObjects got other corners:"
wait_for_line '-:'
quit_and_check_line
