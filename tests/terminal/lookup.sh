#!/bin/sh
# A realistic screen: a customer lookup in colour.  A framed search window
# takes the first letters of a name, a list box in a second window shows
# the matching customers of a keyed file, the chosen customer's details
# open in a window over the list and close again, leaving the list as it
# was; the colours of the scheme read back from the screen.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
esc=$(printf '\033')
start xterm-256color
type_program "$here/lookup.bas"
T send-keys 'RUN' Enter
wait_for 'Name begins with'
T send-keys A Enter
wait_for '4 matches'
T send-keys Down Down Down Enter
wait_for 'Enter: back'
expect_screen_soon "$here/lookup.screen"
T capture-pane -p -e > "$work/colours"
grep -qF "${esc}[46m" "$work/colours" || { echo "no cyan detail window"; cat -v "$work/colours"; exit 1; }
grep -qF "${esc}[44m" "$work/colours" || { echo "no blue background"; cat -v "$work/colours"; exit 1; }
T send-keys Enter
wait_count 'ARNOLD' 1
expect_screen_soon "$here/lookup2.screen"
T send-keys Up Enter
wait_for 'Last customer seen: ALLEN'
quit_and_check_line
