#!/bin/sh
# LIST stops at the end of each page and reads one key, not echoed: any key
# lists the next page, the escape key stops the listing, and a function or
# edit key stops it and is kept as typed ahead.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start
T send-keys '1 FOR I=1 TO 60; EXECUTE STR(I*10)+" REM line "+STR(I); NEXT I' Enter
T send-keys 'RUN' Enter
wait_for_line '-:'
T send-keys 'DELETE 1' Enter
T send-keys 'LIST' Enter
wait_for '0210 REM line 21'
wait_for '-- More --'
shows '0220 REM' && { echo "listed past the page end:"; screen; exit 1; }
T send-keys 'x'
wait_for '0430 REM line 43'
shows 'stop)x' && { echo "the key was echoed:"; screen; exit 1; }
shows '0440 REM' && { echo "listed past the second page end:"; screen; exit 1; }
T send-keys Escape
wait_last_line '-:'
shows '0440 REM' && { echo "the escape key did not stop the listing:"; screen; exit 1; }
# A function or edit key stops the listing too and is kept as typed ahead:
# the up key at the prompt brings back the line typed before.
T send-keys "PRINT 'CS'" Enter
until_ok sh -c "! tmux -S '$sock' capture-pane -p | grep -q 'REM line'"
T send-keys 'LIST 10,600' Enter
wait_for '0210 REM line 21'
T send-keys Up
wait_last_line '-:LIST 10,600'
shows '0220 REM' && { echo "the up key did not stop the listing:"; screen; exit 1; }
shows '[A' && { echo "the up key's bytes were typed:"; screen; exit 1; }
# A page is the terminal's page length less 2 lines: 27 listed lines on a
# screen of 30.
T send-keys C-u "PRINT 'CS'" Enter
until_ok sh -c "! tmux -S '$sock' capture-pane -p | grep -q 'REM line'"
T resize-window -y 30
T send-keys 'PRINT 6*7' Enter
wait_for ' 42'
T send-keys 'LIST' Enter
wait_for '0270 REM line 27'
wait_for '-- More --'
shows '0280 REM' && { echo "the page was not the screen's 30 lines:"; screen; exit 1; }
T send-keys Escape
wait_last_line '-:'
T send-keys C-u 'QUIT' Enter
exit 0
