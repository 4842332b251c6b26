#!/bin/sh
# Table locks between two oru processes that reach a table through one
# prefix file (the locks are byte ranges of it): LOCK in one process
# makes OPEN of the table busy (error 0) in the other, LOCK and ERASE are
# refused while the other process has the table open (by any of its
# channels, however many, and after others of them closed), and a process
# that waits for the lock (retrying on busy) gets it once the holder UNLOCKs.
# A name that no prefix entry resolves takes no lock.  A row EXTRACTed
# in one process is locked for an EXTRACT in the other until it is written
# back.  Skipped without the private test server.
. "$(dirname "$0")/server_check.sh"
. "$(dirname "$0")/../startup/lib.sh"
server_ini

answer() {
  printf '%s\n' "1 SET_PARAM 'WT'=0" "2 PREFIX FILE \"pfx\"" "$1" RUN | tr '|' '\n' | "$oru" 2>&1 | grep -E '^(ok|busy|waited)' | tr -s ' '
}

T='"[mysql]orutest;l_rows;KEY=id"'
# Entries of the prefix file keyed by the names the programs open: an empty
# record leaves the name as it is, and the entry gives the table its area.
printf '%s\n' 'KEYED "pfx",40,0,80' 'OPEN (1)"pfx"' \
  'WRITE (1,KEY="[mysql]orutest;l_other")""' \
  'WRITE (1,KEY="[mysql]orutest;l_rows;KEY=id")""' \
  'CLOSE (1)' | "$oru" >/dev/null 2>&1
start_holder
hold 'PREFIX FILE "pfx"' pfx
hold 'OPEN (9)"[mysql]orutest"' cmd
hold 'WRITE (9)"DROP TABLE IF EXISTS l_rows"' dropped
hold 'WRITE (9)"CREATE TABLE l_rows (id INT PRIMARY KEY, n INT)"' created
hold "OPEN (1)$T" opened
hold 'WRITE (1)1,10' written

OPEN_T="10 OPEN (1,ERR=100)$T|20 PRINT \"ok\"|30 END|100 PRINT \"busy\",ERR"
LOCK_T="10 OPEN (1)$T|20 LOCK (1,ERR=100)|30 PRINT \"ok\"|40 END|100 PRINT \"busy\",ERR"
expect "LOCK while another process has the table open" "$LOCK_T" "busy 0"
expect "OPEN while another process has the table open" "$OPEN_T" "ok"
ERASE_T="10 ERASE \"[mysql]orutest;l_rows;KEY=id\",ERR=100|20 PRINT \"ok\"|30 END|100 PRINT \"busy\",ERR"
expect "ERASE while another process has the table open" "$ERASE_T" "busy 0"
NOPFX_T="10 OPEN (1)\"[mysql]orutest;l_rows;KEY=id;STRIP\"|20 LOCK (1,ERR=100)|30 PRINT \"ok\"|40 END|100 PRINT \"busy\",ERR"
expect "LOCK of a name no prefix entry resolved" "$NOPFX_T" "ok"
# Seventy channels of the holder, then sixty-nine of them closed, one after
# LOCK and UNLOCK: the one left still keeps the table in use.
hold "FOR I=11 TO 80; OPEN (I)$T; NEXT I" seventy
expect "OPEN beside seventy channels of another process" "$OPEN_T" "ok"
hold 'LOCK (11,ERR=1); UNLOCK (11); FOR I=11 TO 79; CLOSE (I); NEXT I' closed69
expect "LOCK while one channel of another process is left" "$LOCK_T" "busy 0"
hold 'CLOSE (80)' closed80
hold 'LOCK (1)' locked
expect "OPEN of a table locked elsewhere" "$OPEN_T" "busy 0"
hold 'UNLOCK (1)' unlocked
expect "OPEN after UNLOCK" "$OPEN_T" "ok"

# A waiter: OPEN and LOCK retried until had; the holder unlocks and closes
# after a while.
hold 'LOCK (1)' locked2
# The holder goes on once the waiter was refused (its output is written out
# at each WAIT); it retries for up to 60 seconds.
WAIT_T="10 OPEN (1,ERR=90)$T|20 LOCK (1,ERR=85)|30 IF T>0 THEN PRINT \"waited\" ELSE PRINT \"ok at once\"|40 WRITE (1)2,20|50 UNLOCK (1)|60 END|85 CLOSE (1)|90 IF T=0 THEN PRINT \"refused\"|91 T=T+1; WAIT .1; IF T<600 THEN GOTO 10|95 PRINT \"busy\""
printf '%s\n' "1 SET_PARAM 'WT'=0" "2 PREFIX FILE \"pfx\"" "$WAIT_T" RUN | tr '|' '\n' | "$oru" > waiter.out 2>&1 &
waiter=$!
i=0
until grep -q '^refused' waiter.out 2>/dev/null; do
  i=$((i + 1)); [ $i -gt 1200 ] && { echo "the waiter was never refused"; cat waiter.out; exit 1; }
  sleep 0.05
done
hold 'WRITE (1)3,30' written3
hold 'UNLOCK (1)' unlocked2
hold 'CLOSE (1)' closed2
wait "$waiter"
got=$(grep -E '^(ok|busy|waited)' waiter.out | tr -s ' ')
[ "$got" = "waited" ] || { echo "waiter: got '$got', want 'waited'"; cat waiter.out; exit 1; }
hold "OPEN (1)$T" reopened
hold 'READ (1,KEY=2)A,N' read2
hold 'PRINT "row 2: ",N' 'row 2:  20'

# EXTRACT locks the row for other processes until it is written back.
hold 'EXTRACT (1,KEY=1)A,N' extracted
EXT_T="10 OPEN (1)$T|20 EXTRACT (1,KEY=1,ERR=100)A,N|30 PRINT \"ok \",N|40 END|100 PRINT \"busy\",ERR"
expect "EXTRACT of a row extracted elsewhere" "$EXT_T" "busy 0"
READ_T="10 OPEN (1)$T|20 READ (1,KEY=1,ERR=100)A,N|30 PRINT \"ok \",N|40 END|100 PRINT \"busy\",ERR"
expect "READ of a row extracted elsewhere" "$READ_T" "ok 10"
hold 'WRITE (1)1,11' written1
expect "EXTRACT after the row was written back" "$EXT_T" "ok 11"
hold 'WRITE (9)"DROP TABLE l_rows"' dropped2
end_holder quit
echo "table locks and row locks between processes: ok"
