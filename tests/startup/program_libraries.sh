#!/bin/sh
# Program libraries from the command line: libraries of 1, 100 and 1,000
# members used through every form; the four-program application packed into
# one library and run as "[lib:app]menu"; several processes calling members
# of one library while another saves into it.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
fail=0

# members N LIB: a session saving members m1..mN, each adding its number.
members() {
  i=1
  while [ $i -le "$1" ]; do
    printf '10 ENTER X\n20 X=X+%d\n30 EXIT\nSAVE "[lib:%s]m%d"\nDELETE\n' $i "$2" $i
    i=$((i + 1))
  done
}

for n in 1 100 1000; do
  lib=lib$n
  members $n $lib | "$oru" > build$n.log 2>&1
  # CALL every member, RUN, LOAD, OPEN, RENAME and ERASE one of them, and
  # count the members by reading the library as the keyed file it is.
  cat > use$n.txt <<EOF
10 X=0
20 FOR I=1 TO $n
30 CALL "[lib:$lib]m"+STR(I),X
40 NEXT I
50 PRINT "sum",X
60 END
SAVE "[lib:$lib]driver"
DELETE
RUN "[lib:$lib]driver"
DELETE
LOAD "[lib:$lib]m$n"
LIST
DELETE
OPEN (1)"[lib:$lib]m$n"
READ RECORD (1,SIZ=8,IND=32)A\$
PRINT A\$
CLOSE (1)
RENAME "[lib:$lib]m$n","last"
ERASE "[lib:$lib]last"
RENAME "[lib:$lib]driver","first"
OPEN (1)"$lib"
C=0
READ RECORD (1,END=*NEXT)A\$; C=C+1; GOTO *SAME
PRINT "members",C
CLOSE (1)
EOF
  # Every statement above stands alone: build the console lines that run
  # the counting loop as one program line.
  sed -i 's/^READ RECORD (1,END=\*NEXT)A\$; C=C+1; GOTO \*SAME$/100 READ RECORD (1,END=120)A$\n110 C=C+1; GOTO 100\n120 PRINT "members",C\nRUN/' use$n.txt
  sed -i '/^PRINT "members",C$/d' use$n.txt
  "$oru" < use$n.txt > got$n 2>&1
  sum=$((n * (n + 1) / 2))
  # After the rename and erase of the last member: the driver (renamed)
  # and n - 1 members.
  for want in "sum $sum" "0020 X=X+$n" "[Oruprg]" "members $n"; do
    grep -qF -- "$want" got$n || { echo "library of $n: no '$want'"; cat got$n | tail -30; fail=1; }
  done
  if grep -q "^Error\|not found\|Invalid" got$n; then echo "library of $n:"; tail -30 got$n; fail=1; fi
done

# The application of four programs in one library; the calls name members.
mkdir app && cd app || exit 2
for p in validate entry report menu; do
  sed 's/CALL "\([a-z]*\)"/CALL "[lib:app]\1"/' "$here/application/$p.txt" > $p.txt
done
for p in validate entry report menu; do
  printf 'MERGE "%s.txt"\nSAVE "[lib:app]%s"\nDELETE\n' "$p" "$p"
done | "$oru" > build.log 2>&1
[ -f app ] || { echo "no library app"; cat build.log; exit 1; }
ls | grep -qv '\.txt$\|^app$\|^build.log$' && { echo "files beside the library:"; ls; fail=1; }
"$oru" "[lib:app]menu" < "$here/application/input.txt" > got 2>&1
status=$?
if [ $status -ne 0 ] || ! cmp -s got "$here/application/expected.out"; then
  echo "application from the library: status $status"; diff -u "$here/application/expected.out" got; fail=1
fi
printf 'AB1    5\nCD22   12\nAB1    1\nTOTAL   18\n' > want.rpt
cmp -s want.rpt orders.rpt || { echo "report file:"; cat orders.rpt; fail=1; }
cd ..

# Three processes call a member 2,000 times each while a fourth saves 200 new
# versions of it: every call finds a whole program (no error), and the last
# version is the one that stays.
printf '10 ENTER X\n20 X=0\n30 EXIT\nSAVE "[lib:shared]p"\nDELETE\n' | "$oru" > /dev/null 2>&1
cat > caller.txt <<'EOF'
10 E=0; S=0
20 FOR I=1 TO 2000
30 CALL "[lib:shared]p",X,ERR=60
40 IF X<0 OR X>200 THEN E=E+1
50 GOTO 70
60 E=E+1; PRINT "error",ERR
70 NEXT I
80 PRINT "errors",E
RUN
EOF
i=1
: > saver.txt
while [ $i -le 200 ]; do
  printf '10 ENTER X\n20 X=%d\n30 EXIT\nSAVE "[lib:shared]p"\nDELETE\n' $i >> saver.txt
  i=$((i + 1))
done
"$oru" < caller.txt > c1 2>&1 & p1=$!
"$oru" < caller.txt > c2 2>&1 & p2=$!
"$oru" < caller.txt > c3 2>&1 & p3=$!
"$oru" < saver.txt > s.log 2>&1
wait $p1 $p2 $p3
for c in c1 c2 c3; do
  grep -q "^errors 0$" $c || { echo "caller $c:"; tail -5 $c; fail=1; }
done
grep -q "^Error\|not found" s.log && { echo "saver:"; grep -v "^->\|^-:" s.log | head; fail=1; }
printf 'X=-1\nCALL "[lib:shared]p",X\nPRINT X\n' | "$oru" 2>&1 | grep -q "^ 200$" || { echo "the last version is not the one kept"; fail=1; }
exit $fail
