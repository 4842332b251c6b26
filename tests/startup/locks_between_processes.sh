#!/bin/sh
# LOCK between two oru processes: a channel locked in one makes the file busy
# (error 0) for the other, and a LOCK is refused while the other process has
# the file open; CLOSE releases the lock, and so does the end of the process
# that holds it.  Record locks of binary files: a record extracted in one
# process is busy for a READ in the other until it is written back.
. "$(dirname "$0")/lib.sh"
printf 'one line\n' > data
printf 'aaaabbbbcccc' > recs
start_holder

# Runs a program (lines separated by "|") in another process, without busy
# retries; prints its lines that begin with "ok" or "busy".
answer() {
  printf '%s\n' "1 SET_PARAM 'WT'=0" "$1" RUN | tr '|' '\n' | "$oru" 2>&1 | grep -E '^(ok|busy)' | tr -s ' '
}

OPEN_DATA='10 OPEN (1,ERR=100)"data"|20 PRINT "ok"|30 END|100 PRINT "busy",ERR'
LOCK_DATA='10 OPEN (1)"data"|20 LOCK (1,ERR=100)|30 PRINT "ok"|40 END|100 PRINT "busy",ERR'

hold 'OPEN (1)"data"' opened
expect "LOCK while another process has the file open" "$LOCK_DATA" "busy 0"
hold 'LOCK (1)' locked
expect "OPEN of a file locked elsewhere" "$OPEN_DATA" "busy 0"
hold 'UNLOCK (1)' unlocked
expect "OPEN after UNLOCK" "$OPEN_DATA" "ok"
hold 'LOCK (1)' locked2
hold 'CLOSE (1)' closed
expect "LOCK after the holder closed" "$LOCK_DATA" "ok"

# Record locks: EXTRACT keeps the record's bytes locked.
READ_REC='10 OPEN (1,BIN=4)"recs"|20 READ (1,IND=1,ERR=100)A$|30 PRINT "ok ",A$|40 END|100 PRINT "busy",ERR'
READ_OTHER='10 OPEN (1,BIN=4)"recs"|20 READ (1,IND=2,ERR=100)A$|30 PRINT "ok ",A$|40 END|100 PRINT "busy",ERR'
hold 'OPEN (2,BIN=4)"recs"' recs
hold 'EXTRACT (2,IND=1)X$' extracted
expect "READ of a record extracted elsewhere" "$READ_REC" "busy 0"
expect "READ of another record" "$READ_OTHER" "ok cccc"
hold 'WRITE RECORD (2,IND=1)"BBBB"' written
expect "READ after the record was written back" "$READ_REC" "ok BBBB"

# Keyed files: LOCK keeps other processes out, and what was written while
# the channel was locked is in the file for them after UNLOCK.
hold 'KEYED "cust","[1:1:4]",0,40' keyed
hold 'OPEN (3)"cust"' opened3
hold 'LOCK (3)' locked4
OPEN_CUST='10 OPEN (1,ERR=100)"cust"|20 READ (1,KEY="K001",DOM=90)A$,B$|30 PRINT "ok ",B$|40 END|90 PRINT "ok missing"; END|100 PRINT "busy",ERR'
expect "OPEN of a keyed file locked elsewhere" "$OPEN_CUST" "busy 0"
hold 'WRITE (3)"K001","written while locked"' written3
hold 'UNLOCK (3)' unlocked3
expect "keyed record after UNLOCK" "$OPEN_CUST" "ok written while locked"
expect "LOCK of a keyed file open elsewhere" '10 OPEN (1)"cust"|20 LOCK (1,ERR=100)|30 PRINT "ok"|40 END|100 PRINT "busy",ERR' "busy 0"

# A program run from the command line that stops on a record held by
# another process reports the busy error and ends with a non-zero status;
# once the record is free it runs to its end with status 0.
printf '%s\n' "1 SET_PARAM 'WT'=0" '10 OPEN (1)"cust"' '20 EXTRACT (1,KEY="K001")A$,B$' '30 PRINT "got ",B$' \
  'SAVE "grab"' | "$oru" > /dev/null 2>&1
# grab WHAT STATUS TEXT: "oru grab" ends with status 0 (STATUS 0) or another
# (STATUS 1) and prints TEXT.
grab() {
  "$oru" grab < /dev/null > grab.out 2>&1
  st=$?
  if [ $((st != 0)) -ne "$2" ] || ! grep -q "$3" grab.out; then
    echo "$1: status $st"
    cat grab.out
    exit 1
  fi
}
hold 'OPEN (5)"cust"; EXTRACT (5,KEY="K001")X$' extracted5
grab "command-line run stopped on a busy record" 1 "Record in use"
hold 'CLOSE (5)' closed5
grab "command-line run of a free record" 0 "got written while locked"
hold 'CLOSE (3)' closed3

# EFF keyed files the same: LOCK keeps other processes out (readers too,
# which otherwise run without the file lock), and the records written while
# the channel was locked reach them after UNLOCK.
hold 'KEYED "cust2","[1:1:4]",0,40,OPT="1"' keyed2
hold 'OPEN (4)"cust2"' opened4
hold 'LOCK (4)' locked5
OPEN_CUST2='10 OPEN (1,ERR=100)"cust2"|20 READ (1,KEY="E001",DOM=90)A$,B$|30 PRINT "ok ",B$|40 END|90 PRINT "ok missing"; END|100 PRINT "busy",ERR'
expect "OPEN of an EFF file locked elsewhere" "$OPEN_CUST2" "busy 0"
hold 'WRITE (4)"E001","eff 1"; WRITE (4)"E002","eff 2"' written4
hold 'UNLOCK (4)' unlocked4
expect "EFF record after UNLOCK" "$OPEN_CUST2" "ok eff 1"
expect "LOCK of an EFF file open elsewhere" '10 OPEN (1)"cust2"|20 LOCK (1,ERR=100)|30 PRINT "ok"|40 END|100 PRINT "busy",ERR' "busy 0"
hold 'CLOSE (4)' closed4

# The end of the process releases a LOCK.
hold 'OPEN (1)"data"' opened2
hold 'LOCK (1)' locked3
expect "OPEN while locked" "$OPEN_DATA" "busy 0"
end_holder quit
expect "OPEN after the holder ended" "$OPEN_DATA" "ok"
exit 0
