#!/bin/sh
# The SQL client library is loaded on the first SQL open.  A library that
# cannot be loaded (here: files of both names that are no libraries, found
# first through LD_LIBRARY_PATH) is error 15 naming each name tried;
# one that loads but lacks an entry point is error 120 naming the entry.
# Either way the console goes on.  No server is needed: the library is
# loaded before any connection.
. "$(dirname "$0")/lib.sh"
cc=$(command -v cc || command -v gcc || command -v clang)
[ -n "$cc" ] || { echo "no C compiler: skipped"; exit 77; }
fail() { echo "FAIL: $*"; cat out.txt; exit 1; }

mkdir bad empty
echo "not a library" > bad/libmysqlclient.so
echo "not a library" > bad/libmariadb.so.3
printf 'OPEN (1)"[mysql]db;t"\nPRINT "err",ERR\nPRINT MSG(-1)\nPRINT "alive"\n' > open.bas
LD_LIBRARY_PATH="$tmp/bad" "$oru" < open.bas > out.txt 2>&1
grep -q "^err 15" out.txt || fail "an unloadable library is not error 15"
grep -q "Unable to load libmysqlclient.so" out.txt || fail "the library is not named"
grep -q "^alive" out.txt || fail "the console did not go on"

echo "int oru_nothing_here;" > empty.c
"$cc" -shared -fPIC -o empty/libmysqlclient.so empty.c || { echo "cannot build a shared library: skipped"; exit 77; }
LD_LIBRARY_PATH="$tmp/empty" "$oru" < open.bas > out.txt 2>&1
grep -q "^err 120" out.txt || fail "a missing entry point is not error 120"
grep -q "mysql_init" out.txt || fail "the missing entry point is not named"
grep -q "^alive" out.txt || fail "the console did not go on"
echo ok
