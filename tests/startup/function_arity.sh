#!/bin/sh
# The argument counts of the value functions, one row a function: every
# count from 0 to 6 with a number and with a string first (the further
# arguments numbers) is entered as a program line, so nothing runs; a count
# the function takes must compile and every other count must be refused when
# the line is entered.  A row lists the forms taken: the kind of the first
# argument (n number, s string, x either) and the counts, "0" for an empty
# call.
. "$(dirname "$0")/lib.sh"
cat > rows <<'ROWS'
ABS( n:1
SGN( n:1
INT( n:1
PRC( n:1-2
FPT( n:1
MOD( n:2
EPT( n:1
EXP( n:1
LOG( n:1
SQR( n:1
SIN( n:1
ATN( n:1
ASN( n:1
BSZ( x:1
SSZ( x:1
MAX( x:2-9
MIN( x:2-9
CSE( x:2-9
NUL( s:1
NOT( x:1
AND( x:2
IOR( x:2
XOR( x:2
ASC( s:1
LEN( s:1
CHR( n:1
LCS( s:1
HTA( s:1
ATH( s:1
BIN( n:2
DEC( s:1
STR( x:1-2
NUM( s:1-2
MID( s:2-3
POS( x:1-3
PAD( s:2-4
JST( s:2-4
STP( s:1-3
SUB( s:3-4
TBL( n:2-9 s:2-3
TRX( s:1
LOC( n:1-2
DIM( n:1-2
XFA( s:2-3
CRC( s:1-2
HSH( s:1-3
LRC( s:1
GAP( s:1
RDX( s:1
PCK( n:1-2
UPK( s:1
I3E( x:1
SWP( s:1-2
CMP( s:1
UCP( s:1
KGN( s:3-4
MSK( s:1-2
SRT( s:1-2
CVS( n:1-9 s:2-9
FIB( x:1
FID( x:1
FIN( x:1-2
OPT( x:1
SEP( x:1
IOL( x:1-2
FFN( s:1-3
REC( x:1-2
VIN( x:2
VIS( x:2
ARG( n:1 s:2-3
ENV( x:1
ERR( n:1-9 s:1
MSG( n:1 s:1-9
DIR( x:0-1
PTH( x:1
MEM( s:1 n:1-2
STK( n:1
RND( n:1
CPL( s:1-2
EVN( s:1-2
GBL( s:1-2
SCLL( s:1 n:1-2
TSK( n:1
PUB( n:1
PGM( n:1-2
LST( s:1
PRM( s:1
CHG( x:1
TMR( n:1
TCB( n:1-2
JUL( n:3 s:1
DTE( x:0-2
ROWS

# One line a form, "line|expected|text"; numbered from 10 up.
awk '{
  for (k = 0; k <= 6; k++)
    for (f = 0; f < 2; f++) {
      if (k == 0 && f) continue
      first = f ? "s" : "n"
      args = ""
      for (i = 0; i < k; i++) args = args (i ? ",2" : (f ? "\"a\"" : "1"))
      want = "refused"
      for (j = 2; j <= NF; j++) {
        split($j, sp, ":"); kind = sp[1]; n = split(sp[2], r, "-")
        lo = r[1]; hi = n > 1 ? r[2] : r[1]
        if (k >= lo && k <= hi && (k == 0 || kind == "x" || kind == first)) want = "taken"
      }
      line += 10
      print line "|" want "|" line " X=LEN(STR(" $1 args ")))"
    }
}' rows > forms
cut -d'|' -f3 forms > in.txt
"$oru" < in.txt > out.txt 2>&1
# A refused line is followed by "Syntax error" and its place.
awk -F'|' 'NR == FNR { want[$1] = $2; text[$1] = $3; next }
  /^-[>:][0-9]+ / { l = substr($0, 3); split(l, w, " "); cur = w[1]; got[cur] = "taken"; next }
  /^Syntax error/ && cur != "" { got[cur] = "refused"; cur = ""; next }
  END {
    for (l in want) if (got[l] != want[l]) { print text[l] ": " got[l] ", should be " want[l]; bad++ }
    exit bad > 0
  }' forms out.txt
