#!/bin/sh
# An object attached to a window is told when the window is dropped; its
# code may not drop that window again meanwhile (error 13), and the drop
# then completes.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/window_objects.bas"
expect 'drop inside: error 13, windows left:  0' "wrong result"
screen | grep -qF 'in one' && { echo "window 1 still shown"; screen; exit 1; }
wait_for '-:'
quit_and_check_line
