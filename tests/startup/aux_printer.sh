#!/bin/sh
# The printer on the user's terminal (a link file of kind "apr" whose target
# is a character device, here /dev/null, without a driver id): OPEN LOCK,
# FIN( "PRINTER_STATUS" ("1": output would go out now), PRINT and CLOSE
# (the job written out whole).
. "$(dirname "$0")/lib.sh"
{ printf '[Oruapr]%-60s%-12s' "/dev/null" ""; head -c 176 /dev/zero; } > prn.lnk
printf 'OPEN LOCK (1)"prn.lnk"\nPRINT "status ",FIN(1,"PRINTER_STATUS")\nPRINT (1)"first line"\nCLOSE (1)\nPRINT "done"\n' |
  "$oru" > got 2>&1
printf '%s\n' '->OPEN LOCK (1)"prn.lnk"' '->PRINT "status ",FIN(1,"PRINTER_STATUS")' 'status 1' \
  '->PRINT (1)"first line"' '->CLOSE (1)' '->PRINT "done"' 'done' '->' > want
cmp -s want got || { diff -u want got; exit 1; }
exit 0
