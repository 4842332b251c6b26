#!/bin/sh
# WRITE to a serial file that is a named FIFO reaches the reader record by
# record while the channel stays open, not only at CLOSE.
. "$(dirname "$0")/lib.sh"
mkfifo data || exit 2
cat data > got &
reader=$!
start_holder
hold 'OPEN (1)"data"' opened
# until the reader got RECORD as a field (fields end with the separator
# byte 0x8A), at most 30 seconds, the channel still open
arrives() {
  i=0
  until tr '\212' '\n' < got 2>/dev/null | grep -qx "$1"; do
    i=$((i + 1))
    [ $i -gt 600 ] && { echo "record '$1' did not reach the reader while the channel was open"; cat held.out; exit 1; }
    sleep 0.05
  done
}
hold 'WRITE (1)"first record"' w1
arrives "first record"
hold 'WRITE (1)"second","record"' w2
arrives "second"
hold 'CLOSE (1)' closed
i=0
while kill -0 $reader 2>/dev/null && [ $i -lt 600 ]; do sleep 0.05; i=$((i + 1)); done
if kill -0 $reader 2>/dev/null; then kill $reader; echo "the reader saw no end after CLOSE"; exit 1; fi
end_holder quit
exit 0
