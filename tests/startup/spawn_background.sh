#!/bin/sh
# START with two strings starts a background task: the library program
# "*Spawn" is called at its label StrtSize (a size was given) or NoStrtSize
# with START's operands as arguments.  Without that program: error 12.
. "$(dirname "$0")/lib.sh"
mkdir mylib || exit 2
for f in "$lib"/*; do ln -s "$f" mylib/; done
export ORULIB="$tmp/mylib"
printf '0010 NOSTRTSIZE: ENTER P$,A$\n0020 PRINT "spawn ",P$," with ",A$; EXIT\n0030 STRTSIZE: ENTER S,P$,A$\n0040 PRINT "spawn ",P$," size ",S; EXIT\n' > mylib/_spawn
cat > want <<'OUT'
->START "prog","arg"
spawn prog with arg
->START 200,"prog","arg"
spawn prog size  200
->START 5,"prog","arg"
Integer required or value out of range
->PRINT "ok"
ok
->
OUT
printf 'START "prog","arg"\nSTART 200,"prog","arg"\nSTART 5,"prog","arg"\nPRINT "ok"\n' | "$oru" > got 2>&1
cmp -s want got || { diff -u want got; exit 1; }
rm mylib/_spawn
cat > want <<'OUT'
->START "prog","arg"
File not found
Last file accessed *Spawn
->
OUT
printf 'START "prog","arg"\n' | "$oru" > got 2>&1
cmp -s want got || { diff -u want got; exit 1; }
exit 0
