#!/bin/sh
# The start-up program: the library's "_start.up", when it is there, is
# called as "*start.up" before the first console line (or the program named
# on the command line).  What it sets globally stays; an error in it is
# reported and the console goes on; without it nothing is said.
. "$(dirname "$0")/lib.sh"
mkdir mylib || exit 2
for f in "$lib"/*; do ln -s "$f" mylib/; done
export ORULIB="$tmp/mylib"
printf '0010 LET %%GREETING$="set by start-up"\n0020 PRINT "start-up ran"\n0030 EXIT\n' > mylib/_start.up
cat > want <<'OUT'
start-up ran
->PRINT %GREETING$
set by start-up
->
OUT
printf 'PRINT %%GREETING$\n' | "$oru" > got 2>&1
cmp -s want got || { diff -u want got; exit 1; }
# with a program named on the command line: the start-up program first
printf '10 PRINT "lead program sees ",%%GREETING$\n20 QUIT\n' > lead.txt
printf 'start-up ran\nlead program sees set by start-up\n' > want
"$oru" lead.txt < /dev/null > got 2>&1
cmp -s want got || { diff -u want got; exit 1; }
printf '0010 X=1/0\n' > mylib/_start.up
cat > want <<'OUT'
Start-up program *start.up failed:
Numeric overflow or division by zero
->PRINT "console goes on"
console goes on
->
OUT
printf 'PRINT "console goes on"\n' | "$oru" > got 2>&1
cmp -s want got || { diff -u want got; exit 1; }
rm mylib/_start.up
printf -- '->PRINT "no start-up"\nno start-up\n->\n' > want
printf 'PRINT "no start-up"\n' | "$oru" > got 2>&1
cmp -s want got || { diff -u want got; exit 1; }
exit 0
