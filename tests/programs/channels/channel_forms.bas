REM One OPEN opens several channels; SDEV IOLIST takes a line or a compiled
REM list and, after ":", the stored list it replaces ("G" the first, 1 the
REM second, / the backward one); TRACE and SFID of a channel that is not
REM open are error 13; RANDOM's ERR= is honoured inside its channel part.
SERIAL "cf.tmp"
10 IOLIST A$,B$
20 IOLIST C$
30 OPEN (7)"cf.tmp",(8)"cf.tmp"
40 PRINT FFN("cf.tmp"),FFN("cf.tmp",8)
50 SDEV (7)IOLIST 10
60 SDEV (7)IOLIST 20:"G"
70 SDEV (7)IOLIST 10:1
80 SDEV (7)IOLIST 20:/
90 PRINT LEN(IOL(7)),LEN(IOL(7:"G")),LEN(IOL(7:"1")),LEN(IOL(7:"/"))
100 L$=CPL("IOLIST X$")
110 SDEV (8)IOLIST L$
120 PRINT LEN(IOL(8))
130 SDEV (8,ERR=150)IOLIST 10:"Q"
140 PRINT "not here"
150 PRINT "bad slot",ERR
160 CLOSE (7); CLOSE (8)
170 TRACE (9,ERR=190)
180 PRINT "not here"
190 PRINT "trace",ERR
200 SFID (9,ERR=220)"x"
210 PRINT "not here"
220 PRINT "sfid",ERR
230 RANDOM (1,ERR=250)
240 PRINT "not here"
250 PRINT "random",ERR
260 PRINT FFN("cf.tmp",0,"E",ERR=280)
270 PRINT "not here"
280 PRINT "ffn scope",ERR
282 REM The modifiers before the first channel hold for every channel opened.
283 INDEXED "cf1.tmp",2,10; INDEXED "cf2.tmp",2,10
284 OPEN INPUT (7)"cf1.tmp",(8)"cf2.tmp"
286 WRITE (8,IND=0,ERR=288)"x"; PRINT "not here"
288 PRINT "input only",ERR; CLOSE (7,8); ERASE "cf1.tmp"; ERASE "cf2.tmp"
290 ERASE "cf.tmp"
LIST 30
LIST 60,80
RUN
REM An OPEN needs a name after each channel part and nothing after a last ",".
OPEN (7)"x",
OPEN (5)"x",(6)
OPEN (6)
