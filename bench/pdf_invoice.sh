#!/bin/sh
# The 200-page invoice run (bench/pdf_invoice.bas: logo, table with boxes
# and shading, a pie chart per customer, page numbers "n of m", bookmarks)
# through the own PDF writer and through the PDF library back end (PH),
# beside Python's ReportLab making the same document (bench/pdf_invoice.py).
# Figures: the best wall time of three runs of each whole process, and the
# size of the document.  Each document is checked with qpdf when present.
# Usage: bench/pdf_invoice.sh [build-dir]
. "$(dirname "$0")/lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
cp "$here/pdf_invoice.bas" "$here/pdf_invoice.py" "$here/pdf_logo.jpg" "$tmp"/
cd "$tmp"
{ cat pdf_invoice.bas; } > own.bas
{ echo "SET_PARAM 'PH'"; cat pdf_invoice.bas; } > lib.bas

best() {  # best of three wall times of a command
  b=
  for k in 1 2 3; do
    rm -f invoices.pdf rl.pdf
    s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc)
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
  done
  printf '%.3f' "$b"
}
report() {  # report LABEL FILE TIME
  size=$(wc -c < "$2")
  check=""
  if command -v qpdf >/dev/null; then
    qpdf --check "$2" >/dev/null 2>&1 && check=", qpdf --check passes" || check=", qpdf --check FAILS"
  fi
  pages=""
  command -v pdfinfo >/dev/null && pages=", $(pdfinfo "$2" | sed -n 's/^Pages: *//p') pages"
  echo "$1: $3 s, $size bytes$pages$check"
}
t=$(best sh -c "\"$oru\" < own.bas"); report "oru, own PDF writer" invoices.pdf "$t"
if [ -f "$build/libhzef.so" ]; then
  t=$(best sh -c "\"$oru\" < lib.bas"); report "oru, PDF library back end (libhzef.so)" invoices.pdf "$t"
fi
py=/usr/bin/python3
[ -x "$py" ] || py=python3
if "$py" -c "import reportlab" 2>/dev/null; then
  t=$(best "$py" pdf_invoice.py rl.pdf pdf_logo.jpg); report "python3 ReportLab" rl.pdf "$t"
else
  echo "python3 ReportLab: not installed"
fi
