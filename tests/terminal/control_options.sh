#!/bin/sh
# Options of the control definitions on a text terminal: MAX= limits what a
# multi-line edit takes (typed bytes past it are refused), DLM= is its line
# separator (Enter types it; bytes past MAX= go to the editor) and a list
# box's item separator.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/control_options.bas"
T send-keys 'RUN' Enter
wait_for 'Notes:'
T send-keys a b c Enter d e f g h Tab
wait_for 'notes: '
screen | grep -qF 'notes: [abc;de] ctl -1015' || { echo "multi-line edit:"; screen; exit 1; }
T send-keys Down Down Enter  # the first Down selects the first item
wait_for 'list: '
screen | grep -qF 'list: two' || { echo "list box:"; screen; exit 1; }
wait_for '-:'
quit_and_check_line
