#!/bin/sh
# Numeric masks edit the number in place, formatted after every key:
# digits at the decimal point push the integer digits left, the point steps
# over, a digit elsewhere replaces the one at the cursor, letters and a
# digit that would not fit are refused, '-' sets the sign where the mask
# has one, backspace at the point drops the last integer digit.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/numeric.bas"
wait_for 'Qty:'
T send-keys -l '1234x.5'
wait_for '1,234.50'
T send-keys Home
T send-keys -l '9'
wait_for '901,234.50'
T send-keys Enter
T send-keys -l -- '-7.25'
wait_for '-7.250'
T send-keys Enter
T send-keys -l '12345'
T send-keys BSpace
wait_for ' 123'
T send-keys Enter
wait_for 'A='
wait_for '-:'
expect_screen_soon "$here/numeric.screen"
quit_and_check_line
