#!/bin/sh
# Text windows on a real terminal: framed windows opened over a screen of
# text and attributes, nested, written past their edge (wrap) and their last
# line (scroll), switched, moved and dropped (one below another, then the
# rest); the screen beneath comes back cell for cell and attribute for
# attribute.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/windows.bas"
T send-keys 'RUN' Enter
wait_for_line 'k1'
T capture-pane -p -e > "$work/before"
T send-keys Enter
wait_for 'k2'
expect_screen_soon "$here/windows.screen"
T send-keys Enter
wait_for 'k3'
expect_screen_soon "$here/windows2.screen"
T send-keys Enter
wait_for 'k4'
expect_cells_soon "$work/before" 22
T send-keys Enter
wait_for '-:'
quit_and_check_line
