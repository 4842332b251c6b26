#!/bin/sh
# Dropping a window removes the control bindings made in it: each bound
# object gets its REMOVE method (an object without one is passed by
# quietly) and gives back the reference the binding held, after the call:
# an object that only its binding held is told, then freed. Resetting the
# windows ('SR') removes the bindings of every window it drops.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
start xterm
type_program "$here/objctl_drop.bas"
# The pasted program shows "bindings:" and the prompt "-:" at once; the
# run's last words are the error of line 80.
expect 'control 301 has no binding' "the binding outlived its window:"
wait_for_line '-:'
expect 'log Remove;Remove; refs  3 1 1' "the bindings were not removed:"
expect 'last one told;' "an object held only by its binding was not told:"
screen | grep -q '^100004' && { echo "the object held only by its binding was not freed:"; screen; exit 1; }
expect 'after SR Remove;' "resetting the windows did not remove their bindings:"
quit_and_check_line
