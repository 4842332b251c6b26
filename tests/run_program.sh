#!/bin/sh
# Runs one console session: the .bas file is typed at the console of a fresh
# oru process; its output must equal the .out file beside it.  The session
# runs in a scratch copy of the .bas file's directory, so that the files it
# saves or writes do not land in the source tree; the scratch directory's
# path reads "." in the output.
oru="$1"; bas="$2"; out="${bas%.bas}.out"
dir=$(mktemp -d) || exit 2
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/work" && cp -R "$(dirname "$bas")"/. "$dir/work"/ || exit 2
cd "$dir/work" || exit 2
work=$(pwd -P)
"$oru" < "$bas" 2>&1 | sed "s|$work|.|g" > "$dir/got"
if ! cmp -s "$dir/got" "$out"; then
  diff -u "$out" "$dir/got" | head -60
  exit 1
fi
