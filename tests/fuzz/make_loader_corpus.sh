#!/bin/sh
# Rebuilds the program images of the loader fuzzer's corpus from the numbered
# lines of the console tests, so that the images hold every statement kind
# the tests use.  Usage: tests/fuzz/make_loader_corpus.sh build/oru [out-dir]
oru=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
out=$(cd "${2:-$here/corpus_loader}" && pwd) || exit 2
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 2
for bas in "$here"/../programs/*/*.bas; do
  name=prog_$(basename "$(dirname "$bas")")_$(basename "$bas" .bas)
  grep -E '^[0-9]+ ' "$bas" > lines
  [ -s lines ] || continue
  { cat lines; printf 'SAVE "%s"\n' "$tmp/img"; } | "$oru" > /dev/null 2>&1
  [ -s img ] && mv img "$out/$name"
done
