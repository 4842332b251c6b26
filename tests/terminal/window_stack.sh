#!/bin/sh
# The window stack mnemonics on a real terminal: 'WC' sends the current
# window under the others, 'WR' brings it back, 'WS' swaps the two on top,
# 'SR' drops every window; the message line of the whole screen keeps its
# slots through them.  The help-menu entry of the word under a position.
# A window too small for its frame is refused, unless the channel is marked
# for framed areas ('*W').
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/window_stack.bas"
T send-keys 'RUN' Enter
wait_for 'k1'
expect_screen_soon "$here/window_stack.screen"
T send-keys Enter
wait_for 'k2'
expect_screen_soon "$here/window_stack2.screen"
T send-keys Enter
wait_for 'k3'
expect_screen_soon "$here/window_stack3.screen"
T send-keys Enter
wait_for '-:'
quit_and_check_line
