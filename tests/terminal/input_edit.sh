#!/bin/sh
# INPUT EDIT: the field shows the variable's present value, Enter keeps it,
# typing edits it; the default does not reach a later plain INPUT.  VHLP is
# the HLP= text of the last INPUT.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/input_edit.bas"
wait_for 'name: Smith'
T send-keys Enter
wait_for 'amount: 42'
T send-keys End BSpace 7 Enter
wait_for 'plain:'
T send-keys Enter
wait_for 'plain ['
wait_for '-:'
expect_screen_soon "$here/input_edit.screen"
quit_and_check_line
