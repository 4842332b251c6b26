#!/bin/sh
# The console prompt comes back in the window's default attribute after a
# program left reverse on; cursor right past the entered text takes what
# the screen shows into the field; writing the last column wraps at once,
# so PRINT's own line end then gives an empty line unless BX is set; long
# terminal type names find their drivers.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
esc=$(printf '\033')
start xterm-256color
T send-keys "PRINT 'BR',\"reversed\"," Enter
wait_count '->' 2
T capture-pane -p -e > "$work/got"
last=$(grep -F -- '->' "$work/got" | tail -1)
case "$last" in
  *"${esc}[7m->"*) echo "the prompt kept reverse: $(echo "$last" | cat -v)"; exit 1 ;;
esac
grep -q 'Terminal type' "$work/got" && { echo "xterm-256color fell back to dumb"; exit 1; }
# Cursor right over what the screen shows.
T send-keys "PRINT 'CS',@(0,5),\"HELLO WORLD\",; INPUT @(0,5),X$; PRINT @(0,8),\"got [\",X$,\"]\"" Enter
wait_for 'HELLO WORLD'
T send-keys Right Right Right Right Right Enter
expect 'got [HELLO]' "cursor right did not take the screen's characters"
# The last column wraps at once: PRINT's line end gives an empty line.
T send-keys "PRINT 'CS',DIM(80,\"x\"); PRINT \"next\"" Enter
wait_for_line 'next'  # the line typed holds "next" too
[ "$(screen | sed -n 2p)" = "" ] || { echo "no empty line after the wrap"; screen; exit 1; }
[ "$(screen | sed -n 3p)" = "next" ] || { echo "next is not on the third line"; screen; exit 1; }
T send-keys "SET_PARAM 'BX'; PRINT 'CS',DIM(80,\"y\"); PRINT \"after\"" Enter
wait_for_line 'after'
[ "$(screen | sed -n 2p)" = "after" ] || { echo "BX: the line end after the wrap was not left out"; screen; exit 1; }
# Writing the bottom right cell scrolls the screen.
T send-keys "PRINT 'CS',@(0,23),DIM(80,\"z\"),; INPUT X$" Enter
wait_count 'zzzz' 1
[ "$(screen | sed -n 23p | cut -c1-4)" = "zzzz" ] || { echo "the last line did not scroll"; screen; exit 1; }
T send-keys Enter
quit_and_check_line

# Other long terminal type names.
for term in tmux-256color screen-256color; do
  T kill-server 2> /dev/null
  sock="$sock-x"
  rm -f "$work/stty.after" "$work/status"
  start $term
  screen | grep -q 'Terminal type' && { echo "$term fell back to dumb"; exit 1; }
  T send-keys 'PRINT MNM($1B4353$)=$$' Enter
  wait_for ' 0'
  quit_and_check_line
done

# A driver that fails at start-up: the console falls back to dumb, says so
# once, and the failure's text does not come back with the user's first
# error.
T kill-server 2> /dev/null
sock="$sock-y"
rm -f "$work/stty.after" "$work/status"
cp -R "$lib" "$work/lib"
printf '0010 LET X=Y$\n' > "$work/lib/_dev/broken-terminal-type"
lib="$work/lib"
start broken-terminal-type
wait_for 'failed: using "dumb"'
T send-keys 'OPEN (5)"/nonexistent/x"' Enter
wait_for 'Last file accessed'
screen | grep -q 'failed (error' && { echo "the driver's failure leaked into the first error"; screen; exit 1; }
quit_and_check_line
