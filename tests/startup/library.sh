#!/bin/sh
# The library directory from ORULIB, from "-l:" and from [Config] Library; a
# library without its lexicon ends start-up with error #100 and status 1.
oru="$1"; lib="$2"
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 2
unset ORUINI
cp -r "$lib" copy || exit 2
fail=0
ok() {  # the arguments run a session that must work
  printf 'PRINT 7\n' | "$@" > got 2>&1; status=$?
  printf -- '->PRINT 7\n 7\n->\n' > want
  if ! cmp -s want got || [ $status -ne 0 ]; then echo "$* (status $status)"; diff -u want got; fail=1; fi
}
missing() {  # the arguments must fail for want of the library
  printf 'PRINT 7\n' | "$@" > got 2>&1; status=$?
  if ! grep -q '^Error #100 - No driver for terminal type or library missing' got || [ $status -ne 1 ] ||
     grep -q '^ 7' got; then
    echo "$* (status $status)"; cat got; fail=1
  fi
}
ok env ORULIB="$tmp/copy" "$oru"
ok env ORULIB=/nonexistent "$oru" -l: "$tmp/copy"
ok env ORULIB=/nonexistent "$oru" "-l:$tmp/copy"
missing env ORULIB=/nonexistent "$oru"
printf '[Config]\nLibrary=%s/copy\n' "$tmp" > kestil.ini
ok env ORULIB=/nonexistent "$oru"
printf '[Config]\nLibrary = %s/copy\n' "$tmp" > kestil.ini
missing env ORULIB=/nonexistent "$oru"
rm kestil.ini
rm copy/lextbl.*
missing env ORULIB="$tmp/copy" "$oru"
exit $fail
