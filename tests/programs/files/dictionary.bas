REM The data dictionary: OPEN DICT opens "tessaron.ddf" (a keyed file with
REM at least three keys; a directory gets the name appended), OPEN (ch)TABLE
REM "name" opens the file its record names through key 1, directly or by an
REM expression after "=", and ERASE TABLE removes it.  Without a dictionary,
REM or for an unknown table, the error is 84; a record without its two
REM fields is 10; a file with fewer than three keys is 17.
10 SERIAL "cust.txt"; SERIAL "ord2026.txt"
20 OPEN (1,ERR=40)TABLE "CUSTOMERS"
30 PRINT "not here"
40 PRINT "TABLE without a dictionary: error",ERR
50 PRINT "PTH(/DICT) before: [",PTH(/DICT),"]"
60 KEYED "tessaron.ddf","[1:1:12],[1:1:12],[2:1:8]",0,120
70 OPEN LOCK (9)"tessaron.ddf"
80 WRITE (9)"CUSTOMERS","cust.txt","x"
90 WRITE (9)"ORDERS","=""ord""+STR(2026)+"".txt""","x"
100 WRITE (9)"BROKEN"
110 CLOSE (9)
120 OPEN DICT
130 PRINT "PTH(/DICT): ",PTH(/DICT)
140 OPEN (1)TABLE "CUSTOMERS"; PRINT "CUSTOMERS is ",PTH(1); CLOSE (1)
150 OPEN (1)TABLE "ORDERS"; PRINT "ORDERS is ",PTH(1); CLOSE (1)
160 OPEN (1,ERR=180)TABLE "NOSUCH"
170 PRINT "not here"
180 PRINT "unknown table: error",ERR
190 OPEN (1,ERR=210)TABLE "BROKEN"
200 PRINT "not here"
210 PRINT "record without its file field: error",ERR
212 OPEN LOCK (1)TABLE "ORDERS"; WRITE (1)"an order"; CLOSE (1)
213 REFILE TABLE "ORDERS"
214 OPEN (1)TABLE "ORDERS"; READ (1,END=215)A$; PRINT "not emptied"
215 PRINT "REFILE TABLE emptied ",PTH(1); CLOSE (1)
216 REFILE TABLE "NOSUCH",ERR=218
217 PRINT "not here"
218 PRINT "REFILE of an unknown table: error",ERR
220 ERASE TABLE "CUSTOMERS"
230 OPEN (1,ERR=250)"cust.txt"
240 PRINT "not here"
250 PRINT "after ERASE TABLE: error",ERR
252 ERASE TABLE "NOSUCH",ERR=256
254 PRINT "not here"
256 PRINT "ERASE of an unknown table: error",ERR
260 CLOSE DICT; PRINT "after CLOSE DICT: [",PTH(/DICT),"]"
270 KEYED "two.key","[1:1:4],[2:1:4]",0,40
280 OPEN DICT "two.key",ERR=300
290 PRINT "not here"
300 PRINT "two keys only: error",ERR
RUN
