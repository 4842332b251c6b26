#!/bin/sh
# A serial file that takes only part of a line (the file-size limit, as a
# full disk would) keeps no piece of it: the WRITE fails and the file ends
# with the last whole line.
. "$(dirname "$0")/lib.sh"
bad() { echo "FAIL: $*"; exit 1; }
cat > fill.bas <<'EOF'
10 L$=DIM(1000,"L")
20 SERIAL "s.tmp"; OPEN LOCK (1)"s.tmp"
30 FOR I=1 TO 100
40 WRITE RECORD (1,ERR=60)STR(I:"000")+L$
50 NEXT I
60 PRINT "stopped at",I
70 END
RUN
EOF
# 32768 bytes at most; the signal is ignored, so the write comes back short.
(trap '' XFSZ; ulimit -f 64 2>/dev/null || exit 77; "$oru" < fill.bas > fill.got 2>&1) || exit $?
grep -q "stopped at 33" fill.got || bad "the WRITE did not fail at line 33: $(cat fill.got)"
size=$(wc -c < s.tmp)
[ "$size" -eq $((32 * 1004)) ] || bad "the file holds $size bytes, not 32 whole lines"
[ "$(tail -c 1 s.tmp | od -An -c | tr -d ' ')" = '\n' ] || bad "the file does not end with a whole line"
exit 0
