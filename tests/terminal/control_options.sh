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
wait_for_line 'Notes:'  # the pasted program holds the texts too
T send-keys a b c Enter d e f g h Tab
expect 'notes: [abc;de] ctl -1015' "multi-line edit:"
T send-keys Down Down Enter  # the first Down selects the first item
expect 'list: two' "list box:"
wait_for '-:'
quit_and_check_line
