#!/bin/sh
# oru started by its bare name through PATH: its own path is the PATH entry
# (not the file a link points to), so the ini file beside it is read.
oru="$1"; lib="$2"
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/bin" "$tmp/work" || exit 2
ln -s "$oru" "$tmp/bin/oru" || exit 2
printf '[Config]\nLibrary=%s\n[GLOBALS]\nWHERE$=beside the link\n' "$lib" > "$tmp/bin/oru.ini"
cd "$tmp/work" || exit 2
unset ORULIB ORUINI
printf 'PRINT %%WHERE$\n' | PATH="/nonexistent:$tmp/bin:$PATH" oru > got 2>&1
printf -- '->PRINT %%WHERE$\nbeside the link\n->\n' > want
if ! cmp -s want got; then diff -u want got; exit 1; fi
