#!/bin/sh
# An application of four programs (a menu calling an entry program and a
# report program, both calling a shared validation program) is compiled
# from its text, saved as program files and run by naming the menu on the
# command line; the process ends when the menu ends.
oru="$1"; lib="$2"
here=$(cd "$(dirname "$0")/application" && pwd)
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 2
export ORULIB="$lib"
unset ORUINI
cp "$here"/*.txt .
for p in validate entry report menu; do
  printf 'MERGE "%s.txt"\nSAVE "%s"\n' "$p" "$p"
done | "$oru" > build.log 2>&1
for p in validate entry report menu; do
  [ -s "$p" ] || { echo "program $p was not saved"; cat build.log; exit 1; }
done
"$oru" menu < "$here/input.txt" > got 2>&1
status=$?
if [ $status -ne 0 ] || ! cmp -s got "$here/expected.out"; then
  echo "status $status"; diff -u "$here/expected.out" got; exit 1
fi
printf 'AB1    5\nCD22   12\nAB1    1\nTOTAL   18\n' > want.rpt
cmp -s want.rpt orders.rpt || { echo "report file:"; cat orders.rpt; exit 1; }
