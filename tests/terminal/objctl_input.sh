#!/bin/sh
# A control handler implementing INPUT$ reads the console's fields: it gets
# the cursor column and line, the mode (1 echoed, +2 while 'EE' is on), the
# field's length, the INPUT EDIT preset and TIM= in hundredths; its own
# INPUT takes the ordinary route (the line editor, echo back on), and its
# result is the answer, a number's too.  Suspended, the line editor reads.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/objctl_input.bas"
wait_for_line '     name:<'
T send-keys 'ann' Enter
wait_for_line '     code:<'
T send-keys 'b7' Enter
wait_for_line '     qty:<'
T send-keys '30' Enter
wait_for_line '     pin:<'
T send-keys 'xyz' Enter
wait_for_line '     plain:'
T send-keys 'zed' Enter
wait_for 'plain [zed]'
expect_screen_soon "$here/objctl_input.screen"
quit_and_check_line
