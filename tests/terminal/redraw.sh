#!/bin/sh
# 'RS' redraws: text written to the terminal behind the program's back (by
# another process) goes, every cell and attribute shown again from the
# windows' images; 'DO' takes the window's controls away with their cells.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/redraw.bas"
T send-keys 'RUN' Enter
wait_for "second"
wait_for "k1"

T capture-pane -p -e > "$work/before"
tty=$(T display -p '#{pane_tty}')
[ -c "$tty" ] || { echo "no pane terminal: skipped"; exit 77; }
printf '\033[5;12HSCRIBBLE OVER THE WINDOW\033[1;1Hxx' > "$tty"
wait_for 'SCRIBBLE'
T send-keys Enter
wait_for "k2"
expect_cells_soon "$work/before" 6
screen | grep -qF 'SCRIBBLE' && { echo "not redrawn"; screen; exit 1; }
T send-keys Enter
wait_for 'controls gone: 65'
screen | grep -qF 'second' && { echo "the list box's cells stayed"; screen; exit 1; }
quit_and_check_line
