#!/bin/sh
# The I/O-list cache: 200,000 records of eight fields read back in a loop
# three ways.  "channel list": READ (1) with the list the channel took from
# OPEN's IOL= (kept with the names written out, so any program may read the
# channel); from its third walk the cache gives the program a copy whose
# names are already its variable slots.  "list string": READ (1,IOL=L$) with
# the same list as a string (L$=IOL(1)): a list no cache holds, each name
# looked up at every READ.  "program line": READ (1,IOL=100) naming the
# program's own IOLIST line, whose names the program resolved when the line
# was stored: the floor.  Best CPU time of 5 runs, seconds.
# Usage: bench/iol_cache.sh [build-dir] [records]
. "$(dirname "$0")/lib.sh"
records=${2:-200000}
cd "$tmp"
cat > make.bas <<EOF
10 SERIAL "data"
20 OPEN LOCK (1)"data"
30 FOR I=1 TO $records
40 WRITE (1)"customer",I,"street",I*2,"city",I*3,"country",I*4
50 NEXT I
60 CLOSE (1)
RUN
EOF
"$oru" < make.bas > /dev/null
loop() {  # $1: the READ statement, $2: the file of the program
  cat > "$2" <<EOF
10 OPEN (1,IOL=100)"data"
15 L\$=IOL(1)
20 $1
30 N=N+1
40 GOTO 20
50 PRINT N,A\$,H
100 IOLIST A\$,B,C\$,D,E\$,F,G\$,H
RUN
EOF
}
loop 'READ (1,END=50)' channel.bas
loop 'READ (1,IOL=L$,END=50)' string.bas
loop 'READ (1,IOL=100,END=50)' line.bas
for f in channel string line; do
  "$oru" < $f.bas | grep -qE "^ *$records[^0-9]" || { echo "the $f loop did not read $records records"; exit 1; }
done
c=$(cpu_best "\"$oru\"" channel.bas)
s=$(cpu_best "\"$oru\"" string.bas)
l=$(cpu_best "\"$oru\"" line.bas)
echo "records: $records, 8 fields each"
echo "READ with the channel's list (cached): $c s"
echo "READ with IOL= a list string (never cached): $s s"
echo "READ with IOL= the program's IOLIST line: $l s"
python3 -c "print('uncached/cached %.2fx, cached/program line %.2fx' % ($s / $c, $c / $l))"
