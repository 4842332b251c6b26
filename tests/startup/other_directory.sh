#!/bin/sh
# oru started from a directory that is neither the build's nor the library's
# finds its library beside its own executable.
oru="$1"
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 2
unset ORULIB ORUINI
printf 'PRINT 1+1\n' | "$oru" > got 2>&1
status=$?
printf -- '->PRINT 1+1\n 2\n->\n' > want
if ! cmp -s want got || [ $status -ne 0 ]; then
  echo "status $status"; diff -u want got; exit 1
fi
