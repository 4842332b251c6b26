#!/bin/sh
# The character-terminal control handler of the library: a list box and a
# drop box defined, loaded and selected through DEFCTL OBJECT are drawn by
# the handler's objects with ordinary screen output, the selected item in
# reverse; a selection below the last line scrolls the list, deleting an
# item redraws it, REMOVE blanks the box.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
# The class files are saved in the work folder where NEW finds them.
T send-keys "LOAD \"$lib/_ext/ttyctl.orc\"" Enter 'SAVE "TTYCTL.orc"' Enter
T send-keys "LOAD \"$lib/_ext/ttylbox.orc\"" Enter 'SAVE "TTYLBOX.orc"' Enter 'DELETE' Enter
wait_for 'TTYLBOX.orc'
type_program "$here/objctl.bas"
T send-keys 'RUN' Enter
wait_for_line 'next?'
expect_screen_soon "$here/objctl.screen"
T capture-pane -p -e > "$work/attrs"
grep -q "$(printf '\033')\[7mcherry" "$work/attrs" || { echo "the selected item is not in reverse:"; cat -v "$work/attrs"; exit 1; }
T send-keys Enter
wait_for_line 'remove?'
expect_screen_soon "$here/objctl2.screen"
T send-keys Enter
wait_for_line 'done'
screen | head -4 | grep -q 'fig' && { echo "REMOVE left the box on the screen"; screen; exit 1; }
quit_and_check_line
