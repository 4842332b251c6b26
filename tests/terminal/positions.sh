#!/bin/sh
# 'CS' and @( place text where expected on a real pseudo-terminal; long text
# wraps to the next line; the terminal line is restored at QUIT.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/positions.bas"
wait_for 'bottom line'
wait_for '-:'
expect_screen_soon "$here/positions.screen"
quit_and_check_line
