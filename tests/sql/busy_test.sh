#!/bin/sh
# A row lock that times out on the server is busy (error 0): the statement
# is tried again as parameter WT says, and not at all under BUSYRETRY=N.
# One process holds a row EXTRACTed; the other, inside a transaction with a
# one-second lock wait, tries to EXTRACT it; the prepared statements its
# connection ran tell how often the EXTRACT was tried.  Skipped without the
# private test server.
. "$(dirname "$0")/server_check.sh"
. "$(dirname "$0")/../startup/lib.sh"
server_ini

T='"[mysql]orutest;b_rows;KEY=id'
start_holder
hold 'OPEN (9)"[mysql]orutest"' cmd
hold 'WRITE (9)"DROP TABLE IF EXISTS b_rows"' dropped
hold 'WRITE (9)"CREATE TABLE b_rows (id INT PRIMARY KEY, n INT)"' created
hold "OPEN (1)$T\"" opened
hold 'WRITE (1)1,10' written
hold 'EXTRACT (1,KEY=1)A,N' extracted

# The waiter's statements, with the option of the open string given.
answer() {
  printf '%s\n' "1 SET_PARAM 'WT'=2" \
    "10 OPEN (9)\"[mysql]orutest;;SHARED\"; OPEN (1)$T;SHARED$1\"" \
    '20 WRITE (9)"SET SESSION innodb_lock_wait_timeout=1"' \
    '30 SET_JOURNAL BEGIN' \
    "40 READ (9,KEY=\"SHOW SESSION STATUS LIKE 'Com_stmt_execute'\")N\$,A\$" \
    '50 EXTRACT (1,KEY=1,ERR=60)A,N; PRINT "extracted?"' \
    "60 E=ERR; READ (9,KEY=\"SHOW SESSION STATUS LIKE 'Com_stmt_execute'\")N\$,B\$" \
    '70 PRINT "tries ",(NUM(B$)-NUM(A$))/2," error ",E' \
    '80 SET_JOURNAL ROLLBACK' RUN | "$oru" 2>&1 | grep -E '^(tries|extracted)' | tr -s ' '
}
expect "a lock wait time-out, retried" "" "tries 3 error 0"
expect "a lock wait time-out under BUSYRETRY=N" ";BUSYRETRY=N" "tries 1 error 0"
hold 'WRITE (1)1,11' written1
hold 'WRITE (9)"DROP TABLE b_rows"' dropped2
end_holder quit
echo "busy retries: ok"
