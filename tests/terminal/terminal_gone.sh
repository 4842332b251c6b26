#!/bin/sh
# A terminal that goes away without a hang-up signal (a pseudo-terminal
# whose other side closed, the process in a session of its own): writes
# fail with EIO and reads find the end.  The process ends as on a hang-up
# instead of writing its prompt without end: at the console prompt, with
# an INPUT waiting, and after output that failed first.
oru=$1; lib=$2; here=$(dirname "$0")
. "$here/tmux_lib.sh"
command -v setsid > /dev/null 2>&1 || { echo "setsid is not installed: skipped"; exit 77; }
cat > "$work/input.bas" << 'PROG'
0010 PRINT "waiting"
0020 INPUT X$
0030 GOTO 0020
PROG
cat > "$work/output.bas" << 'PROG'
0010 PRINT "writing"
0020 WAIT 2
0030 PRINT "line",ERR=0040
0040 GOTO 0030
PROG

# gone WHAT [PROGRAM]: oru in a session of its own on a tmux pane, running
# PROGRAM when one is given; once WHAT shows, the pane is killed, and the
# process must end.
gone() {
  what=$1
  rm -f "$work/pid"
  T -f /dev/null new-session -d -x 80 -y 24 \
    "cd '$work' && TERM=xterm ORULIB='$lib' setsid sh -c 'echo \$\$ > $work/pid; exec $oru'; sleep 60"
  wait_for '->'
  if [ -n "$2" ]; then
    type_program "$2"
    T send-keys RUN Enter
  fi
  wait_for "$what"
  until_ok test -s "$work/pid" || { echo "no process id"; exit 1; }
  pid=$(cat "$work/pid")
  T kill-server
  if ! until_ok sh -c "! kill -0 $pid 2> /dev/null"; then
    echo "oru went on after its terminal went away (${2:-at the prompt})"
    kill -9 "$pid" 2> /dev/null
    exit 1
  fi
}
gone '->'
gone waiting "$work/input.bas"
gone writing "$work/output.bas"
exit 0
