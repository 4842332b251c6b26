#!/bin/sh
# Mouse regions under a terminal that sends xterm mouse reports: the
# reports go in as raw bytes (SGR and X10 forms).  A press on a rectangle
# region ends the input with its CTL value, a release on a key-text region
# with its own, a release in the typed text moves the cursor there, a
# region's statement runs and the input starts again; the terminal is
# asked for mouse reports only while an input with regions runs.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
mouse_mode() { T display -p '#{mouse_sgr_flag}#{mouse_standard_flag}'; }
# expect_mode MODE WHAT: the terminal's mouse mode becomes MODE (at most 10
# seconds: the prompt of an input can show before the request reaches tmux).
mode_is() { [ "$(mouse_mode)" = "$1" ]; }
expect_mode() {
  until_ok mode_is "$1" || { echo "$2: $(mouse_mode)"; exit 1; }
}
start xterm
expect_mode 00 "mouse reports asked for at the prompt"
type_program "$here/mouse.bas"
wait_for 'Name:'
expect_mode 11 "mouse reports not asked for during the input"
# SGR press on column 9, line 1 ("[Save]"), then its release.
T send-keys 'Bob'
T send-keys -H 1b 5b 3c 30 3b 39 3b 31 4d 1b 5b 3c 30 3b 39 3b 31 6d
wait_for 'City:'
# X10 press and release on "Quit" (column 16, line 1): only the release acts.
T send-keys 'Rome'
T send-keys -H 1b 5b 4d 20 30 21 1b 5b 4d 23 30 21
wait_for 'Zip:'
# A click on the status line runs its statement and the input starts
# again; a release inside the text moves the cursor (column 7 of line 5 is
# the second digit); a release on the cursor's cell ends the input.
T send-keys '7'
T send-keys -H 1b 5b 3c 30 3b 32 3b 32 34 4d
wait_for 'status clicked'
T send-keys '135'
T send-keys -H 1b 5b 3c 30 3b 37 3b 35 6d
T send-keys '2'
T send-keys -H 1b 5b 3c 30 3b 38 3b 35 6d
wait_for 'Code:'
# PREINPUT with -1017: "ab" in the field, the cursor at its start.
T send-keys 'X' Enter
wait_for 'Last:'
expect_mode 00 "mouse reports asked for without regions"
T send-keys -l 'fin'; T send-keys Enter
wait_for 'E=fin'
wait_for '-:'
expect_screen_soon "$here/mouse.screen"
expect_mode 00 "mouse reports left on"
quit_and_check_line
