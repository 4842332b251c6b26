#!/bin/sh
# One PDF document case: cases/NAME.bas is typed at a fresh oru in a scratch
# copy of the cases folder; its console output must equal NAME.out.  Then,
# for every document the case names in NAME.docs ("file.pdf" per line):
# qpdf --check must pass; its text (pdftotext -layout) must equal
# NAME.<file>.txt when that exists; its first page rendered at 12 dots an
# inch must match NAME.<file>.pgm (imgcmp.py) when that exists, and the
# pixels listed in NAME.<file>.rgb of its colour rendering must have their
# colours (pixels.py); pdfinfo's
# lines must hold each line of NAME.<file>.info when that exists; the text
# of the first and of the last page alone must equal NAME.<file>.p1.txt and
# NAME.<file>.last.txt; the outline's titles (qpdf --json) must equal
# NAME.<file>.outlines; the page its open action names must equal
# NAME.<file>.open.
# NAME.fsize holds a file-size limit (KB) for the oru process.
# A fourth argument "lib" runs the case through the PDF-library back end
# (SET_PARAM 'PH' typed first, its echo dropped); each expected file then
# comes from NAME.lib.* where that exists (NAME.lib.out, NAME.lib.<file>.txt
# ...).  Missing tools: skipped (77).
oru="$1"; lib="$2"; bas="$3"; backend="${4:-own}"
for t in qpdf pdftotext pdftoppm pdfinfo python3; do
  command -v "$t" >/dev/null 2>&1 || { echo "skipped: $t missing"; exit 77; }
done
here=$(cd "$(dirname "$0")" && pwd)
case_dir=$(dirname "$bas"); name=$(basename "$bas" .bas)
dir=$(mktemp -d) || exit 2
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/work" && cp -R "$case_dir"/. "$dir/work"/ || exit 2
cd "$dir/work" || exit 2
work=$(pwd -P)
input="$bas"; skip=0
if [ "$backend" = lib ]; then
  { echo "SET_PARAM 'PH'"; cat "$bas"; } > "$dir/input"; input="$dir/input"; skip=1
fi
# The expected file of a name: its library-back-end variant when asked for.
want() {
  if [ "$backend" = lib ] && [ -f "$case_dir/$name.lib.${1#$name.}" ]; then echo "$case_dir/$name.lib.${1#$name.}"
  else echo "$case_dir/$1"; fi
}
if [ -f "$name.fsize" ]; then
  ( ulimit -f "$(cat "$name.fsize")"; ORULIB="$lib" "$oru" < "$input" ) 2>&1 | sed "s|$work|.|g" | tail -n +$((skip + 1)) > "$dir/got"
else
  ORULIB="$lib" "$oru" < "$input" 2>&1 | sed "s|$work|.|g" | tail -n +$((skip + 1)) > "$dir/got"
fi
fail=0
out=$(want "$name.out")
if ! cmp -s "$dir/got" "$out"; then
  echo "console output differs:"; diff -u "$out" "$dir/got" | head -40; fail=1
fi
[ -f "$case_dir/$name.docs" ] || exit $fail
while read -r doc; do
  [ -n "$doc" ] || continue
  if [ ! -f "$doc" ]; then echo "$doc: missing"; fail=1; continue; fi
  if ! qpdf --check "$doc" > "$dir/qpdf" 2>&1; then echo "$doc: qpdf --check failed"; cat "$dir/qpdf"; fail=1; fi
  stem="$case_dir/$name.${doc%.pdf}"
  if [ "$backend" = lib ] && ls "$case_dir/$name.lib.${doc%.pdf}".* >/dev/null 2>&1; then stem="$case_dir/$name.lib.${doc%.pdf}"; fi
  if [ -f "$stem.txt" ]; then
    pdftotext -layout "$doc" "$dir/text" 2>&1
    if ! cmp -s "$dir/text" "$stem.txt"; then echo "$doc: text differs"; diff -u "$stem.txt" "$dir/text" | head -40; fail=1; fi
  fi
  if [ -f "$stem.p1.txt" ] || [ -f "$stem.last.txt" ]; then
    last=$(pdfinfo "$doc" | sed -n 's/^Pages: *//p')
    for part in p1 last; do
      [ -f "$stem.$part.txt" ] || continue
      n=1; [ "$part" = last ] && n=$last
      pdftotext -layout -f "$n" -l "$n" "$doc" "$dir/text" 2>&1
      if ! cmp -s "$dir/text" "$stem.$part.txt"; then echo "$doc: text of page $n differs"; diff -u "$stem.$part.txt" "$dir/text" | head -40; fail=1; fi
    done
  fi
  if [ -f "$stem.outlines" ]; then
    qpdf --json --json-key=outlines "$doc" | grep -o '"title": "[^"]*"' > "$dir/outlines"
    if ! cmp -s "$dir/outlines" "$stem.outlines"; then echo "$doc: outline differs"; diff -u "$stem.outlines" "$dir/outlines" | head -20; fail=1; fi
  fi
  if [ -f "$stem.pgm" ]; then
    pdftoppm -r 12 -gray -f 1 -l 1 "$doc" "$dir/page" 2>&1
    page=$(ls "$dir"/page*.pgm 2>/dev/null | head -1)
    if ! python3 "$here/imgcmp.py" "$stem.pgm" "$page"; then echo "$doc: page image differs"; fail=1; fi
    rm -f "$dir"/page*.pgm
  fi
  if [ -f "$stem.rgb" ]; then
    pdftoppm -r 12 -f 1 -l 1 "$doc" "$dir/colour" 2>&1
    page=$(ls "$dir"/colour*.ppm 2>/dev/null | head -1)
    if ! python3 "$here/pixels.py" "$stem.rgb" "$page"; then echo "$doc: page colours differ"; fail=1; fi
    rm -f "$dir"/colour*.ppm
  fi
  if [ -f "$stem.info" ]; then
    pdfinfo "$doc" > "$dir/info" 2>&1
    while IFS= read -r want; do
      grep -qxF -- "$want" "$dir/info" || { echo "$doc: pdfinfo lacks: $want"; cat "$dir/info"; fail=1; }
    done < "$stem.info"
  fi
  if [ -f "$stem.open" ]; then
    # The page the document opens at (its open action), counted from 1, or
    # "none": the catalog's /OpenAction names a page object of the page tree.
    got=$(python3 "$here/open_page.py" "$doc" 2>&1)
    if [ "$got" != "$(cat "$stem.open")" ]; then echo "$doc: opens at $got, want $(cat "$stem.open")"; fail=1; fi
  fi
done < "$case_dir/$name.docs"
exit $fail
