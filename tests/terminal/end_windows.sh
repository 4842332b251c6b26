#!/bin/sh
# END closes the program's windows with its channels: the console prompt is
# back on the whole screen.  Switch WK keeps them.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/end_windows.bas"
wait_for 'ATTOP'
screen | head -1 | grep -q '^ATTOP' || { echo "the window outlived END:"; screen; exit 1; }
T send-keys "SET_PARAM 'WK'" Enter 'RUN' Enter 'PRINT @(0,0),"IN"+"WINDOW"' Enter
wait_for 'INWINDOW'
screen | head -1 | grep -q 'INWINDOW' && { echo "switch WK did not keep the window:"; screen; exit 1; }
screen | sed -n 7p | grep -q 'INWINDOW' || { echo "no output in the kept window:"; screen; exit 1; }
quit_and_check_line
