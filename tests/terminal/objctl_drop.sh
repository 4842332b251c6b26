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
wait_for 'bindings:'
wait_for '-:'
screen | grep -q 'log Remove;Remove; refs  3 1 1' || { echo "the bindings were not removed:"; screen; exit 1; }
screen | grep -q 'last one told;' || { echo "an object held only by its binding was not told:"; screen; exit 1; }
screen | grep -q '^100004' && { echo "the object held only by its binding was not freed:"; screen; exit 1; }
screen | grep -q 'after SR Remove;' || { echo "resetting the windows did not remove their bindings:"; screen; exit 1; }
screen | grep -q 'control 301 has no binding' || { echo "the binding outlived its window:"; screen; exit 1; }
quit_and_check_line
