#!/bin/sh
# The debugger's command window on a terminal screen (switch DW): where the
# program stops (ESCAPE) the window covers the whole screen and the prompt
# reads "}" (";" with unsaved changes); the program's own console output
# takes the window off again, showing the program's screen as the program
# left it; the next prompt puts the window back over it.  A key defined
# with CTL 32001 at the window's prompt drops the line typed.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
T send-keys "SET_PARAM 'DW'" Enter
wait_for '-}'
T send-keys "10 PRINT 'CS',\"program screen\"" Enter
T send-keys '20 ESCAPE' Enter
T send-keys '30 PRINT "second"; INPUT X$' Enter
T send-keys '40 END' Enter
T send-keys 'RUN' Enter
wait_for '0020 ESCAPE'
# The stop is shown in the window: the program's screen is covered.
[ "$(screen | sed -n 1p)" = "program screen" ] && { echo "the command window did not cover the program's screen"; screen; exit 1; }
screen | grep -qF -- '-;RUN' || { echo "the window lost what was typed in it"; screen; exit 1; }
T send-keys 'RUN' Enter
# A line beginning "second": the window still shows line 30's text.
wait_for_line 'second'
# The program's screen again, as it left it.
[ "$(screen | sed -n 1p)" = "program screen" ] || { echo "the program's screen was not shown again"; screen; exit 1; }
screen | grep -qF '0020 ESCAPE' && { echo "the command window stayed"; screen; exit 1; }
T send-keys Enter
wait_for_line '-;'
[ "$(screen | sed -n 1p)" = "program screen" ] && { echo "the prompt did not put the window back"; screen; exit 1; }
# CTL 32001 (F5 here) drops the line typed instead of running it.
T send-keys 'DEFCTL (0)$1B5B31357E$,32001' Enter
wait_for_prompt_after '-;DEFCTL (0)$1B5B31357E$,32001' '-;'
T send-keys 'PRINT "not"+"run"' F5
T send-keys 'PRINT "was"+"run"' Enter
wait_for 'wasrun'
screen | grep -qF 'notrun' && { echo "the line of CTL 32001 ran"; screen; exit 1; }
quit_and_check_line
