#!/bin/sh
# Runs one console session: the .bas file is typed at the console of a fresh
# oru process; its output must equal the .out file beside it.
oru="$1"; bas="$2"; out="${bas%.bas}.out"
dir=$(mktemp -d) || exit 2
trap 'rm -rf "$dir"' EXIT
cd "$(dirname "$bas")" || exit 2
"$oru" < "$bas" > "$dir/got" 2>&1
if ! cmp -s "$dir/got" "$out"; then
  diff -u "$out" "$dir/got" | head -60
  exit 1
fi
