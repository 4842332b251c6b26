#!/bin/sh
# The console's screen starts where the terminal's cursor stands (the
# greeting leaves it on the bottom line; another terminal that LNSW moves
# to, below what it showed), so that what the screen places by cursor
# address lands beside the text it belongs to, never lines above it: a
# column-only @(x), an input line longer than its field (redrawn in place
# as it scrolls sideways), a DEFTTY of the console while it runs.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm

# top_blank CAPTURE: the first line of the terminal's screen is empty.
top_blank() { [ -z "$("$1" | head -1 | tr -d ' ')" ]; }
check_top() {
  top_blank "$1" && return 0
  echo "$2"
  "$1"
  exit 1
}

T send-keys 'PRINT @(40),"mark"' Enter
wait_for_prompt_after '->PRINT @(40),"mark"' '                                        mark'
check_top screen "@(40) went to the top line"

# 78 characters fit the field after the prompt; this line has 84.
long='PRINT "<","ABCDEFGHIJKLMNOPQRSTUVWXYZ","abcdefghijklmnopqrstuvwxyz","0123456789",">"'
T send-keys "$long" Enter
wait_for_line '<ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789>'
wait_last_line '->'
lines_follow '<ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789>' '->' ||
  { echo "the prompt is not on the line after the long line's output"; screen; exit 1; }
check_top screen "the long line was redrawn at the top line"

T send-keys 'DEFTTY 80,24; PRINT @(20),"after deftty"' Enter
wait_for_prompt_after '                    after deftty' '->'
check_top screen "after DEFTTY the screen placed text at the top line"

# A taller window: the terminal brings lines back down from above it, the
# cursor with them; from the next read on the screen goes by its report.
if T resize-window -t :0 -y 30 2> /dev/null; then
  T send-keys 'PRINT "taller"' Enter
  wait_for_prompt_after 'taller' '->'
  T send-keys 'PRINT @(40),"grown"' Enter
  wait_for_prompt_after '                                        grown' '->'
  check_top screen "after the window grew the screen placed text at the top line"
fi

# Another terminal, with cursor addressing ('@@' as xterm's driver has
# it): its cursor is below the lines it shows.
second_terminal
printf 'one\r\ntwo\r\n' > "$tty2"
T send-keys -t :0 "OPEN (1)\"$tty2\"; DEFTTY (1)80,24; MNEMONIC (1)'@@',\$1B5B5C4C413B5C434148\$; LNSW 1" Enter
wait_other_last_line '->'
other_follow() {
  other | awk -v a="$1" -v b="$2" '{ sub(/ +$/, "") } prev == a && $0 == b { f = 1 } { prev = $0 } END { exit !f }'
}
T send-keys -t :1 "$long" Enter
until_ok other_follow '<ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789>' '->' ||
  { echo "the long line's output and prompt are not together on the other terminal"; other; exit 1; }
T send-keys -t :1 'PRINT @(30),"there"' Enter
until_ok other_follow '->PRINT @(30),"there"' '                              there' ||
  { echo "@(30) on the other terminal did not land below the statement"; other; exit 1; }
other | head -3 | tr -d ' ' | tr '\n' / | grep -qx 'ready/one/two/' ||
  { echo "the other terminal's first lines were written over"; other; exit 1; }
T send-keys -t :1 'LNSW' Enter
wait_last_line '->'
check_top screen "the home screen's top line was written on"
quit_and_check_line
echo passed
