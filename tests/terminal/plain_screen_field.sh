#!/bin/sh
# An input field on a terminal screen without cursor addressing: the console
# moved by LNSW to a second terminal that has no driver at all, and a
# console of the "dumb" driver (a carriage return and line feeds, no way
# up).  A line longer than its field scrolls sideways and the terminal
# shows exactly what the field holds, the cursor where the field has it:
# the editor moves back with backspaces or a carriage return and the
# prompt written again, and leaves the last column alone (writing there
# wraps the terminal onto the next line, which could not be undone).
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"

# rows CAPTURE: the lines of the screen that are not blank, trailing blanks
# dropped; last_rows CAPTURE N ROW...: its last N such lines are the ROWs.
rows() { "$1" | sed 's/ *$//' | grep -v '^$'; }
last_rows() {
  cap=$1 n=$2
  shift 2
  [ "$(rows "$cap" | tail -n "$n")" = "$(printf '%s\n' "$@")" ]
}
# cursor_at PANE X: the terminal's cursor is in column X.
cursor_at() { [ "$(T display -p -t "$1" '#{cursor_x}')" = "$2" ]; }
# expect_rows CAPTURE PANE X WHAT ROW...: waits for the last rows of the
# screen to be the ROWs with the cursor in column X.
expect_rows() {
  cap=$1 pane=$2 x=$3 what=$4
  shift 4
  until_ok last_rows "$cap" $# "$@" && until_ok cursor_at "$pane" "$x" && return 0
  echo "$what: the terminal does not show the field"
  printf 'want (cursor at %s):\n' "$x"
  printf '%s\n' "$@"
  echo "got (cursor at $(T display -p -t "$pane" '#{cursor_x}')):"
  rows "$cap"
  exit 1
}
from() { printf '%s' "$2" | cut -c"$1"; }

long='PRINT "<","ABCDEFGHIJKLMNOPQRSTUVWXYZ","abcdefghijklmnopqrstuvwxyz","0123456789",">"'
out='<ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789>'
[ ${#long} -eq 84 ] || { echo "the test's long line is not 84 characters"; exit 2; }

start xterm
second_terminal
T send-keys -t :0 "OPEN (1)\"$tty2\"; DEFTTY (1)80,24; LNSW 1" Enter
wait_other_last_line '->'

# The field after the prompt is columns 2 to 78: 77 characters show.
T send-keys -t :1 "$long"
expect_rows other :1 78 "typed past the field" '->'"$(from 9- "$long")"
T send-keys -t :1 C-a
expect_rows other :1 2 "back at the start" '->'"$(from 1-77 "$long")"
T send-keys -t :1 C-e
expect_rows other :1 78 "at the end again" '->'"$(from 9- "$long")"
# One character left (a backspace), then text inserted before '">"'.
T send-keys -t :1 C-b
expect_rows other :1 77 "one to the left" '->'"$(from 9- "$long")"
T send-keys -t :1 C-b C-b '"=",'
edited='PRINT "<","ABCDEFGHIJKLMNOPQRSTUVWXYZ","abcdefghijklmnopqrstuvwxyz","0123456789","=",">"'
expect_rows other :1 78 "text inserted" '->'"$(from 10-86 "$edited")"
T send-keys -t :1 Enter
expect_rows other :1 2 "the edited line ran" '->'"$(from 10-86 "$edited")" \
  '<ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789=>' '->'

# A program's INPUT: the field begins after its prompt (columns 6 to 78).
T send-keys -t :1 '10 INPUT "name? ",N$' Enter '20 PRINT "[",N$(1,8),"|",N$(LEN(N$)-2),"]",LEN(N$)' Enter 'RUN' Enter
wait_other_last_line 'name?'
digits=0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789
T send-keys -t :1 "$digits"
expect_rows other :1 78 "a long answer" "name? $(from 29- "$digits")"
T send-keys -t :1 C-a
expect_rows other :1 6 "the answer's start" "name? $(from 1-73 "$digits")"
# Five to the right, an insertion: the rest of the field is written again
# and the cursor comes back.
T send-keys -t :1 C-f C-f C-f C-f C-f x
expect_rows other :1 12 "an insertion near the start" "name? 01234x$(from 6-72 "$digits")"
# ^K clears to the end: blanks over the rest, the cursor back after the x.
T send-keys -t :1 C-k
expect_rows other :1 12 "cleared to the end" 'name? 01234x'
T send-keys -t :1 "$digits" Enter
expect_rows other :1 2 "the answer taken" "[01234x01|789] 106" '-:'
T send-keys -t :1 'LNSW' Enter
wait_last_line '-:'

# The dumb driver: the same field, moved back by its own carriage return.
T send-keys -t :0 'QUIT' Enter
until_ok test -f "$work/stty.after" || { echo "oru did not end"; exit 1; }
T kill-server 2> /dev/null
sock="$sock-2"  # a server of its own: the old one may still be going away
rm -f "$work/stty.after" "$work/status"
start dumb
T send-keys "$long"
expect_rows screen :0 78 "dumb: typed past the field" '->'"$(from 9- "$long")"
T send-keys C-a
expect_rows screen :0 2 "dumb: back at the start" '->'"$(from 1-77 "$long")"
T send-keys Enter
expect_rows screen :0 2 "dumb: the line ran" '->'"$(from 1-77 "$long")" "$out" '->'
quit_and_check_line
echo passed
