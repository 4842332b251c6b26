#!/bin/sh
# Window frames are drawn in the terminal's line-drawing set on every
# terminal type whose driver the build makes: tmux, screen, linux and vt100
# shift out to a set their driver must first make the line-drawing one;
# xterm and vt220 switch to it directly.  Each type runs in a fresh tmux
# server; the frame's cells must carry the line-drawing state (shift out in
# capture-pane -e), not stand as plain letters.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
so=$(printf '\016')
for term in tmux screen linux vt100 xterm vt220; do
  [ -f "$lib/_dev/$term" ] || continue
  # A server of its own for each type (the helpers' T and cleanup follow $sock).
  sock="$work/tmux-$term"
  rm -f "$work/stty.after" "$work/status"
  start "$term"
  T send-keys "PRINT 'CS',WDW(2,2,12,4,1,\"Ti\"),\"in\"" Enter
  wait_for 'Ti'
  frame_drawn() {
    T capture-pane -p -e > "$work/frame"
    grep -q "${so}lqqqq" "$work/frame" && grep -q "${so}mqqqqqqqqqqj" "$work/frame"
  }
  if ! until_ok frame_drawn; then
    echo "$term: the frame is not in the line-drawing set"
    cat -v "$work/frame"
    exit 1
  fi
  quit_and_check_line
  T kill-server 2> /dev/null
done
exit 0
