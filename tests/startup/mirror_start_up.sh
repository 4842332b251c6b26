#!/bin/sh
# The mirror start-up: with [Config] Mirror on and the library's
# "_kest/mirror/start_up", that program runs first (before "_start.up"); it
# typically names the duplicate-write definitions.  Without the switch it is
# not run; an error in it is reported and the console goes on.
. "$(dirname "$0")/lib.sh"
mkdir mylib mylib/_kest mylib/_kest/mirror || exit 2
for f in "$lib"/*; do [ "$(basename "$f")" = _kest ] || ln -s "$f" mylib/; done
for f in "$lib"/_kest/*; do ln -s "$f" mylib/_kest/; done
export ORULIB="$tmp/mylib"
printf '0010 PRINT "mirror start-up ran"\n0020 LET %%MIRROR=1\n0030 EXIT\n' > mylib/_kest/mirror/start_up
printf '0010 PRINT "start-up ran after it:",%%MIRROR\n0020 EXIT\n' > mylib/_start.up
printf '[Config]\nMirror=1\n' > on.ini
cat > want <<'OUT'
mirror start-up ran
start-up ran after it: 1
->PRINT %MIRROR
 1
->
OUT
printf 'PRINT %%MIRROR\n' | "$oru" -c:on.ini > got 2>&1
cmp -s want got || { diff -u want got; exit 1; }
# the switch off: only the start-up program
printf 'start-up ran after it: 0\n->\n' > want
"$oru" < /dev/null > got 2>&1
cmp -s want got || { diff -u want got; exit 1; }
printf '0010 X=1/0\n' > mylib/_kest/mirror/start_up
rm mylib/_start.up
cat > want <<'OUT'
Mirror start-up program *kest/mirror/start_up failed:
Numeric overflow or division by zero
->PRINT "console goes on"
console goes on
->
OUT
printf 'PRINT "console goes on"\n' | "$oru" -c:on.ini > got 2>&1
cmp -s want got || { diff -u want got; exit 1; }
exit 0
