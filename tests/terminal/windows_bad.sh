#!/bin/sh
# Bad window requests: a window left of the screen (41), a frame on a
# window of width 2 (29), a 251st window (57), a malformed long mnemonic
# (29), a palette string of the wrong length (46).  Each gives its error,
# the screen stays what the image says (all 250 windows drop back to the
# screen as it was, cell for cell and attribute for attribute) and the
# console goes on.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/windows_bad.bas"
T send-keys 'RUN' Enter
wait_for_line 'k1'
T capture-pane -p -e > "$work/before"
T send-keys Enter
wait_for 'k2'
expect_cells_soon "$work/before" 23
T send-keys Enter
expect 'errors: 41 29 57 29 46 windows  250' "wrong errors"
T send-keys Enter
wait_for '-:'
T send-keys 'PRINT "still going"' Enter
wait_for 'still going'
quit_and_check_line
