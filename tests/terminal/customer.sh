#!/bin/sh
# A full-screen customer-entry program: a menu, field validation, a status
# line, a function key with a SETCTL branch; the final screen is compared.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/customer.bas"
wait_for 'Choice:'
T send-keys '7' Enter
wait_for 'Choose 1, 2 or 3'
T send-keys '1' Enter
wait_for 'Credit:'
T send-keys 'J' Enter
wait_for 'two letters'
T send-keys 'Jones' Enter '4x1y002' Enter 'lots' Enter
wait_for 'must be a number'
T send-keys C-u '9000' Enter
wait_for 'needs approval'
T send-keys C-u '1500' Enter
wait_for 'Saved Jones'
T send-keys '1' Enter
wait_for 'Credit:'
T send-keys 'Ng' Enter '10' Enter '20' Enter
wait_for 'Saved Ng'
T send-keys '2' Enter
wait_for 'customer(s)'
T send-keys F4
wait_for 'back to the menu'
T send-keys '3' Enter
wait_for 'Bye'
wait_for '-:'
expect_screen_soon "$here/customer.screen"
quit_and_check_line
