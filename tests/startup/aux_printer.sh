#!/bin/sh
# The printer on the user's terminal (a link file of kind "apr" whose target
# is a character device, here /dev/null, without a driver id): OPEN LOCK,
# FIN( "PRINTER_STATUS" ("1": output would go out now), PRINT and CLOSE
# (the job written out whole); a job the printer refuses is error 4.
. "$(dirname "$0")/lib.sh"
{ printf '[Oruapr]%-60s%-12s' "/dev/null" ""; head -c 176 /dev/zero; } > prn.lnk
printf 'OPEN LOCK (1)"prn.lnk"\nPRINT "status ",FIN(1,"PRINTER_STATUS")\nPRINT (1)"first line"\nCLOSE (1)\nPRINT "done"\n' |
  "$oru" > got 2>&1
printf '%s\n' '->OPEN LOCK (1)"prn.lnk"' '->PRINT "status ",FIN(1,"PRINTER_STATUS")' 'status 1' \
  '->PRINT (1)"first line"' '->CLOSE (1)' '->PRINT "done"' 'done' '->' > want
cmp -s want got || { diff -u want got; exit 1; }
# A job the printer does not take whole (/dev/full refuses every write) is
# the printer's write failure, error 4 (ERR= takes it).
{ printf '[Oruapr]%-60s%-12s' "/dev/full" ""; head -c 176 /dev/zero; } > full.lnk
printf '10 OPEN LOCK (1)"full.lnk"\n20 PRINT (1,ERR=40)"job"\n30 PRINT "no error"; STOP\n40 PRINT "error ",ERR\nRUN\n' |
  "$oru" 2>&1 | grep -q '^error  4$' || { echo "a refused print job is not error 4"; exit 1; }
exit 0
