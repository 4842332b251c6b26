#!/bin/sh
# Console command programs: a console line without a line number that does
# not compile, whose first word names a file of the library's "_cmd" (or
# "_cmd/system") directory, runs as CALL "*cmd/word" with the rest of the
# line as one string argument.  Other failed lines keep their syntax error.
oru="$1"; lib="$2"
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 2
mkdir lib || exit 2
for f in "$lib"/*; do ln -s "$f" lib/; done
mkdir -p lib/_cmd/system
printf '0010 ENTER A$\n0020 LET P$=PGM(0); PRINT "hello [",A$,"] from ",P$(LEN(P$)-9)\n0030 EXIT\n' > lib/_cmd/hello
printf '0010 LET P$=PGM(0); PRINT "sayit ran from ",P$(LEN(P$)-16); EXIT\n' > lib/_cmd/system/sayit
mkdir lib/_cmd/adir
export ORULIB="$tmp/lib"
unset ORUINI
cat > want <<'OUT'
->Hello there,  world
hello [there,  world] from _cmd/hello
->sayit
sayit ran from _cmd/system/sayit
->adir x
Syntax error ...x
->nosuch thing
Syntax error ...thing
->PRINT "done"
done
->
OUT
printf 'Hello there,  world\nsayit\nadir x\nnosuch thing\nPRINT "done"\n' | "$oru" > got 2>&1
cmp -s want got || { diff -u want got; exit 1; }
