#!/bin/sh
# SQL channels against a private MariaDB server (tests/sql/server.sh):
# 100,000 rows written one by one, read back by key in a random order and
# read in key order, beside Python's MySQLdb doing the same against the same
# server in the same run.
build=$(cd "${1:-build}" && pwd) || exit 2
here=$(cd "$(dirname "$0")" && pwd)
N=${SQL_BENCH_ROWS:-100000}
# The distribution's python3 has python3-mysqldb; another python3 first on
# PATH may not.
PY=
for p in python3 /usr/bin/python3; do
  if "$p" -c 'import MySQLdb' 2>/dev/null; then PY=$p; break; fi
done
[ -n "$PY" ] || { echo "python3-mysqldb is missing: skipped"; exit 0; }
work=$(mktemp -d) || exit 2
state="$work/server.state"
trap 'sh "$here/../tests/sql/server.sh" stop "$state"; rm -rf "$work"' EXIT
sh "$here/../tests/sql/server.sh" start "$state" || exit 1
. "$state"
[ "${SQL_SKIP:-0}" = 1 ] && { echo "mariadbd is not installed: skipped"; exit 0; }
cd "$work" || exit 2
printf '[MySql]\nHOST=127.0.0.1\nPORT=%s\nUSER=oru\nPSWD="oru-pw"\n' "$SQL_PORT" > oru.ini
export ORUINI="$work/oru.ini"
# The random order: the same permutation for every run, read from a file.
"$PY" -c "
import random
o=list(range(1,$N+1)); random.Random(7).shuffle(o)
open('order.txt','w').write('\n'.join(map(str,o))+'\n')"
mariadb --no-defaults --socket="$SQL_SOCK" -uroot orubench \
  -e "CREATE TABLE oru_rows (k INT PRIMARY KEY, name VARCHAR(30), amt DECIMAL(10,2));
      CREATE TABLE py_rows (k INT PRIMARY KEY, name VARCHAR(30), amt DECIMAL(10,2))"
# Each phase runs as a process of its own, oru and Python alike, timed from
# start to end; read and scan take the best of three runs (the machine may
# be shared).
# timed NAME TIMES COMMAND...: runs the command TIMES times, prints the best.
timed() {
  name=$1; times=$2; shift 2
  best=
  for i in $(seq 1 "$times"); do
    t0=$(date +%s.%N)
    "$@" > out.txt 2>&1
    t1=$(date +%s.%N)
    grep -q "^done$" out.txt || { echo "$name failed:"; tail -5 out.txt; exit 1; }
    best=$(awk -v a="$t0" -v b="$t1" -v m="$best" 'BEGIN { s = b - a; if (m != "" && m < s) s = m; print s }')
  done
  awk -v s="$best" -v n="$N" -v name="$name" 'BEGIN { printf "%-34s %8.2f s %10.0f rows/s\n", name, s, n / s }'
}
oru_prog() { printf '%s\n' "$1" | "$build/oru"; }
run() {
  times=1
  [ "$1" = insert ] || times=3
  timed "oru $1" $times oru_prog "$2"
  case $1 in insert) p=insert ;; read*) p=read ;; *) p=scan ;; esac
  timed "MySQLdb $1" $times "$PY" "$here/sql_mysqldb.py" "$SQL_PORT" "$N" $p
}
run "insert" "10 OPEN (1)\"[mysql]orubench;oru_rows;KEY=k\"
20 FOR I=1 TO $N; WRITE (1)I,\"name \"+STR(I),MOD(I,1000)+MOD(I,100)/100; NEXT I
30 IF NUM(FIN(1,\"NUMREC\"))=$N THEN PRINT \"done\"
RUN"
run "read by key (random)" "10 OPEN (1)\"[mysql]orubench;oru_rows;KEY=k\"; OPEN (2)\"order.txt\"
20 FOR I=1 TO $N; READ (2)K; READ (1,KEY=STR(K))A,B\$,C; IF A<>K THEN STOP
30 NEXT I
40 PRINT \"done\"
RUN"
run "scan in key order" "10 OPEN (1)\"[mysql]orubench;oru_rows;KEY=k\"
20 N=0
30 READ (1,END=50)A,B\$,C; N=N+1; GOTO 30
50 IF N=$N THEN PRINT \"done\"
RUN"
