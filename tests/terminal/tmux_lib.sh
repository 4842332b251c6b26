# Helpers of the terminal tests: oru runs in a private tmux server on an
# 80x24 pseudo-terminal; keys go in with send-keys, the screen comes back
# with capture-pane.  Sourced by each test with $oru and $lib set.
#
# Every wait polls until what it waits for shows, for at most $patience
# seconds: a sanitizer build on a loaded machine may take seconds over one
# key, and a wait only costs its time when the test fails.  A wait must be
# for what only the step waited on can show: the echo of the line just typed
# or a program just pasted stands on the screen at once.
#
# ORU_TEST_STUTTER=1 runs oru in bursts of 20 ms with 200 ms stops between
# (SIGSTOP/SIGCONT), as on a machine loaded many times over: a test that
# passes only when oru answers at once fails then.
command -v tmux > /dev/null 2>&1 || { echo "tmux is not installed: skipped"; exit 77; }
work=$(mktemp -d) || exit 2
# The server's socket is in the private folder: no name shared with another
# run (process ids come round again), nothing left behind.
sock="$work/tmux"
patience=${ORU_TEST_PATIENCE:-30}
T() { tmux -S "$sock" "$@"; }
stutter=
cleanup() {
  [ -n "$stutter" ] && kill "$stutter" 2> /dev/null
  T kill-server 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# until_ok COMMAND...: runs COMMAND every tenth of a second until it
# succeeds; false after $patience seconds.
until_ok() {
  end=$(($(date +%s) + patience))
  until "$@"; do
    [ "$(date +%s)" -ge "$end" ] && return 1
    sleep 0.1
  done
}

# start [TERM]: oru at the prompt; the shell reports its status when it ends.
start() {
  term=${1:-xterm}
  rm -f "$work/pid"
  T -f /dev/null new-session -d -x 80 -y 24 \
    "cd '$work' && stty -g > '$work/stty.before' && TERM=$term ORULIB='$lib' sh -c 'echo \$\$ > $work/pid; exec $oru'; echo \"status=\$?\" > '$work/status'; stty -g > '$work/stty.tmp'; mv '$work/stty.tmp' '$work/stty.after'; sleep 60"
  [ -n "$ORU_TEST_STUTTER" ] && start_stutter
  wait_for '->'
}

# no_stutter: oru runs on without stops (a stop signal such as SIGTSTP sent
# while it is stopped would be dropped by the next SIGCONT).
no_stutter() {
  [ -n "$stutter" ] || return 0
  kill "$stutter" 2> /dev/null
  wait "$stutter" 2> /dev/null
  stutter=
  kill -CONT "$(cat "$work/pid")" 2> /dev/null
}

start_stutter() {
  until_ok test -s "$work/pid" || return
  [ -n "$stutter" ] && kill "$stutter" 2> /dev/null
  (
    p=$(cat "$work/pid")
    while kill -STOP "$p" 2> /dev/null; do
      sleep 0.2
      kill -CONT "$p" 2> /dev/null
      sleep 0.02
    done
  ) &
  stutter=$!
}

screen() { T capture-pane -p; }

# second_terminal: a second window (:1) idling on a pseudo-terminal of its
# own, $tty2; other prints its screen, wait_other TEXT waits until it shows
# TEXT.
second_terminal() {
  T new-window -d -n other "echo ready; exec sleep 600"
  tty2=$(T display -p -t :1 '#{pane_tty}')
  [ -c "$tty2" ] || { echo "no second terminal: skipped"; exit 77; }
  wait_other ready  # the pane runs: its line is set up
}
other() { T capture-pane -p -t :1; }
other_shows() { other | grep -qF -- "$1"; }
wait_other() {
  until_ok other_shows "$1" && return 0
  echo "timed out waiting on the other terminal for: $1"
  other
  exit 1
}

# shows TEXT: the screen shows TEXT now.
shows() { screen | grep -qF -- "$1"; }

# wait_for TEXT: until the screen shows TEXT.
wait_for() {
  until_ok shows "$1" && return 0
  echo "timed out waiting for: $1"
  screen
  exit 1
}

# line_begins TEXT: a screen line begins with TEXT.
line_begins() { screen | awk -v t="$1" 'index($0, t) == 1 { f = 1 } END { exit !f }'; }

# wait_for_line TEXT: until a screen line begins with TEXT: for a prompt or
# an output whose text also stands in the line or program just typed, which
# shows on the screen until the run clears it.
wait_for_line() {
  until_ok line_begins "$1" && return 0
  echo "timed out waiting for a line beginning: $1"
  screen
  exit 1
}

# lines_follow A B: a screen line is A and the next one B (trailing blanks
# aside): the prompt B back after the line A typed at it.
lines_follow() {
  screen | awk -v a="$1" -v b="$2" '{ sub(/ +$/, "") } prev == a && $0 == b { f = 1 } { prev = $0 } END { exit !f }'
}

# wait_for_prompt_after LINE PROMPT: until the line typed (with its prompt)
# is followed by the prompt again: the line has run.
wait_for_prompt_after() {
  until_ok lines_follow "$1" "$2" && return 0
  echo "timed out waiting for the prompt $2 after: $1"
  screen
  exit 1
}

# last_line_is CAPTURE TEXT: the last line that is not blank of the screen
# CAPTURE prints (screen or other) is TEXT (trailing blanks aside).
last_line_is() {
  "$1" | awk -v t="$2" '{ sub(/ +$/, "") } $0 != "" { last = $0 } END { exit !(last == t) }'
}

# wait_last_line TEXT, wait_other_last_line TEXT: until the last line shown
# on the terminal is TEXT: a bare prompt where the console has come (back).
wait_last_line() {
  until_ok last_line_is screen "$1" && return 0
  echo "timed out waiting for a last line: $1"
  screen
  exit 1
}
wait_other_last_line() {
  until_ok last_line_is other "$1" && return 0
  echo "timed out waiting on the other terminal for a last line: $1"
  other
  exit 1
}

# count_at_least TEXT N: TEXT shows on at least N lines.
count_at_least() { [ "$(screen | grep -cF -- "$1")" -ge "$2" ]; }

# wait_count TEXT N: until TEXT shows on at least N lines.
wait_count() {
  until_ok count_at_least "$1" "$2" && return 0
  echo "timed out waiting for $2 lines of: $1"
  screen
  exit 1
}

# expect TEXT MESSAGE: the screen shows TEXT (waiting for it as wait_for),
# else the test fails with MESSAGE.
expect() {
  until_ok shows "$1" && return 0
  echo "$2"
  screen
  exit 1
}

# type_program FILE: the lines of FILE pasted at the prompt.
type_program() {
  T load-buffer "$1"
  T paste-buffer
}

# expect_screen FILE: the screen (trailing blank lines dropped) equals FILE.
expect_screen() {
  screen | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' > "$work/got"
  [ -n "$ORU_UPDATE_SCREENS" ] && cp "$work/got" "$1"
  if ! diff -u "$1" "$work/got"; then
    echo "screen differs from $1"
    exit 1
  fi
}

# expect_screen_soon FILE: as expect_screen, waiting for the screen to
# become FILE (a run that repaints what is already shown).
screen_is() {
  screen | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' > "$work/got"
  cmp -s "$1" "$work/got"
}
expect_screen_soon() {
  until_ok screen_is "$1" && return 0
  expect_screen "$1"
}

# quit: QUIT at the prompt; the terminal line must be as it was.
quit_and_check_line() {
  T send-keys 'QUIT' Enter
  until_ok test -f "$work/stty.after" || { echo "oru did not end"; exit 1; }
  cmp -s "$work/stty.before" "$work/stty.after" || { echo "the terminal line was not restored"; exit 1; }
}

# cells FILE: a capture-pane -e file as one line per screen line of
# (character, attribute state) pairs, blank cells in the plain state at the
# line ends dropped, so that two screens that show the same compare equal
# however the terminal's escape sequences fell (the line-drawing set chosen
# by shift out and shift in is part of the state).
cells() {
  command -v python3 > /dev/null 2>&1 || { echo "python3 is not installed: skipped"; exit 77; }
  python3 - "$1" << 'PYEOF'
import re, sys
state = ()
for line in open(sys.argv[1], encoding="utf-8", errors="replace").read().split("\n"):
    out, i = [], 0
    while i < len(line):
        m = re.match(r"\x1b\[([0-9;]*)m", line[i:])
        if m:
            codes = [c for c in m.group(1).split(";") if c != ""] or ["0"]
            st = dict(state)
            j = 0
            while j < len(codes):
                c = int(codes[j])
                if c == 0: st = {}
                elif c in (38, 48) and j + 2 < len(codes) and codes[j + 1] == "5":
                    st["fg" if c == 38 else "bg"] = "5;" + codes[j + 2]; j += 2
                elif 30 <= c <= 37 or 90 <= c <= 97: st["fg"] = str(c)
                elif c == 39: st.pop("fg", None)
                elif 40 <= c <= 47 or 100 <= c <= 107: st["bg"] = str(c)
                elif c == 49: st.pop("bg", None)
                elif c in (22, 23, 24, 25, 27): st.pop(str(c - 20), None)
                else: st[str(c)] = 1
                j += 1
            state = tuple(sorted(st.items()))
            i += m.end()
            continue
        if line[i] in "\x0e\x0f":  # shift out / in: the line-drawing set is a state, not a cell
            st = dict(state)
            if line[i] == "\x0e": st["acs"] = 1
            else: st.pop("acs", None)
            state = tuple(sorted(st.items()))
            i += 1
            continue
        out.append((line[i], state))
        i += 1
    while out and out[-1][0] == " " and out[-1][1] == ():
        out.pop()
    print(repr(out))
PYEOF
}

# expect_cells_soon FILE LINE: waits for the screen,
# attributes included (see cells), to equal the capture-pane -e file FILE;
# screen line LINE (counted from 1: a prompt that differs) is left out.
cells_are() {
  T capture-pane -p -e > "$work/now"
  cells "$work/now" | sed "${1}d" > "$work/now.cells"
  cmp -s "$work/want.cells" "$work/now.cells"
}
expect_cells_soon() {
  cells "$1" | sed "${2}d" > "$work/want.cells"
  until_ok cells_are "$2" && return 0
  echo "the screen is not as captured in $1"
  diff "$1" "$work/now" | cat -v
  exit 1
}
