#!/bin/sh
# Bad window requests: a window wider than the screen (41), a frame on a
# window of width 2 (29), a 251st window (57), a malformed long mnemonic
# (29), a palette string of the wrong length (46).  Each gives its error,
# the screen stays what the image says (all 250 windows drop back to the
# screen as it was, cell for cell and attribute for attribute) and the
# console goes on.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/windows_bad.bas"
T send-keys 'RUN' Enter
wait_for 'k1'
T capture-pane -p -e > "$work/before"
T send-keys Enter
wait_count 'k1' 1
i=0
while [ $i -lt 100 ] && ! screen | grep -q '^k1 $'; do sleep 0.1; i=$((i + 1)); done
T capture-pane -p -e > "$work/after"
cells "$work/before" > "$work/before.cells"
cells "$work/after" > "$work/after.cells"
if ! cmp -s "$work/before.cells" "$work/after.cells"; then
  echo "the screen was not restored after the bad requests"
  diff "$work/before" "$work/after" | cat -v
  exit 1
fi
T send-keys Enter
wait_for 'errors:'
screen | grep -qF 'errors: 41 29 57 29 46 windows  250' || { echo "wrong errors"; screen; exit 1; }
T send-keys Enter
wait_for '-:'
T send-keys 'PRINT "still going"' Enter
wait_for 'still going'
quit_and_check_line
