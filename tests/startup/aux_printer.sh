#!/bin/sh
# The printer on the user's terminal (a link file of kind "apr" without a
# driver id): OPEN LOCK, its FIN( "PRINTER_STATUS", PRINT and WRITE, and
# CLOSE, which sends the job to the link's target.
. "$(dirname "$0")/lib.sh"
{ printf '[Oruapr]%-60s%-12s' "$tmp/job.out" ""; head -c 176 /dev/zero; } > prn.lnk
: > job.out
printf 'OPEN LOCK (1)"prn.lnk"\nPRINT "status ",FIN(1,"PRINTER_STATUS")\nPRINT (1)"first line"\nCLOSE (1)\n' |
  "$oru" > got 2>&1
grep -qx 'status 1' got || { echo "status:"; cat got; exit 1; }
grep -q 'first line' job.out || { echo "the job did not reach the printer:"; cat got; od -c job.out | head; exit 1; }
exit 0
