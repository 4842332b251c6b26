#!/bin/sh
# 'CL' and 'CE' take away the controls in the cells they clear: 'CL' at
# column 15 of line 3 removes the list box over columns 20-29 of lines 2-4
# and the closed drop box on line 3, not the one left of column 15; 'CE' at
# column 5 of line 10 removes the box whose last line is 10 and the one below,
# and keeps the one that ends above.  A kept box has nothing selected: its
# READ is error 11, a box gone is error 65.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/clear_controls.bas"
T send-keys 'RUN' Enter
wait_for_line 'done'  # the pasted line 150 shows "done" too
for want in 'control 101 kept' 'control 102 gone: 65' 'control 103 gone: 65' \
            'control 104 gone: 65' 'control 105 kept' 'control 106 gone: 65'; do
  expect "$want" "missing: $want"
done
quit_and_check_line
