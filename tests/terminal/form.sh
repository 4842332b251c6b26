#!/bin/sh
# A form of three INPUT fields: cursor keys and backspace edit the name, the
# mask of the zip code refuses letters, F5 ends the last field with CTL 5.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/form.bas"
wait_for 'Phone:'
T send-keys 'Smxith' Left Left Left BSpace Enter
T send-keys '9a8b7x654' Enter
T send-keys '55' Left '1' End '5' F5
wait_for 'CTL='
wait_for '-:'
expect_screen_soon "$here/form.screen"
quit_and_check_line
