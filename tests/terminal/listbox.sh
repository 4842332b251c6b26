#!/bin/sh
# A list box and a drop box driven by keys: typed first letters cycle
# through the items that start with them, the cursor keys move the
# selection (the list scrolls to keep it in view), Down opens the drop
# box's list over what is beneath and Enter closes it again, restoring the
# screen; READ gives the item chosen and CTL the control's id.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/listbox.bas"
T send-keys 'RUN' Enter
wait_for 'Colour:'
T send-keys d e
wait_for 'elder'
T send-keys Enter
wait_for 'list: elder'
T send-keys Down
wait_for 'Colour: red'
T send-keys Down
wait_for 'Colour: green'
expect_screen_soon "$here/listbox.screen"
T send-keys Enter
wait_for 'drop: green'
T send-keys End Up Up Home Down Down Down Down Down
T send-keys Enter
wait_for 'list again'
wait_for 'abcdefghi'
expect_screen_soon "$here/listbox2.screen"
# A multi-line edit of width 10: a 12-letter word shows as 9 bytes and the
# rest; Enter types the delimiter, Tab leaves.
T send-keys End X Y Enter Z Tab
wait_for 'clear?'
expect_screen_soon "$here/listbox3.screen"
# Clearing the window takes its controls away.
T send-keys Enter
wait_for 'cleared with the screen: 65'
quit_and_check_line
