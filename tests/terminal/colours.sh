#!/bin/sh
# Colours read back through the screen: the standard colours, a colour text
# (RGB), a palette entry and a named dark background on a 256-colour
# terminal (the nearest of its 256 colours) and on an 8-colour terminal
# (the nearest of its 8).
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
esc=$(printf '\033')
# check TEXT TERM: the screen with its escape sequences shows TEXT (the line
# typed holds "nine" before it runs, so each check waits).
has_escapes() {
  T capture-pane -p -e > "$work/got"
  grep -qF -- "$1" "$work/got"
}
check() {
  until_ok has_escapes "$1" || { echo "$2: no $(echo "$1" | cat -v) in:"; cat -v "$work/got"; exit 1; }
}
for term in xterm-256color xterm; do
  start $term
  T send-keys "PRINT 'CS','F1',\"red\",'F7',\" \",FCLR(\"RGB:255,128,0\"),\"orange\",'F7',\" \",BCLR(\"DARK BLUE\"),\"onblue\",'B0',\" \",'F9',\"nine\",'F7'" Enter
  wait_for 'nine'
  check "${esc}[31mred" "$term"
  if [ $term = xterm-256color ]; then
    check "${esc}[38;5;208morange" "$term"
    check "${esc}[48;5;18monblue" "$term"
    check "${esc}[91mnine" "$term"
  else
    check "${esc}[33morange" "$term"   # nearest of 8: yellow
    check "${esc}[44monblue" "$term"
    check "${esc}[31mnine" "$term"     # colour 9 (dark red) is red on 8 colours
  fi
  # Palette entries added by colour texts are kept and read back.
  T send-keys 'VIDEO_PALETTE READ P$; PRINT "entries",LEN(P$)/3' Enter
  # 16 standard entries and the two colour texts' own.
  expect 'entries 18' "$term: the palette did not keep the colour texts' entries"
  T send-keys 'QUIT' Enter
  T kill-server 2> /dev/null
  sock="$sock-x"
  rm -f "$work/stty.after" "$work/status"
done
