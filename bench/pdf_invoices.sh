#!/bin/sh
# The 200-page invoice run (tests/pdf/cases/invoices.bas: a logo, a shaded
# table in boxes, a pie chart per customer, page n of m, a bookmark per
# customer) made by oru's own PDF writer (and, when the build has
# libhzef.so, by the PDF-library back end), beside ReportLab making the
# same document in one Python run (bench/pdf_invoices.py).  Figures: the best
# wall time of three runs, in seconds, and the size of the document.
# Usage: bench/pdf_invoices.sh [build-dir]
. "$(dirname "$0")/lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
cases=$here/../tests/pdf/cases
cp "$cases/invoices.bas" "$cases/logo.jpg" "$tmp/"
cd "$tmp"
best() {  # best of three wall times of a command
  b=
  for k in 1 2 3; do
    s=$(date +%s.%N)
    "$@" > /dev/null 2>&1
    e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc)
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
  done
  printf '%.3f' "$b"
}
run_oru() { "$oru" < invoices.bas; }
t_oru=$(best run_oru)
s_oru=$(stat -c %s invoices.pdf)
qpdf --check invoices.pdf > /dev/null 2>&1 || echo "oru: qpdf --check failed"
lib_line=
if [ -f "$build/libhzef.so" ]; then
  { echo "SET_PARAM 'PH'"; cat invoices.bas; } > invoices_lib.bas
  run_lib() { rm -f invoices.pdf; "$oru" < invoices_lib.bas; }
  t_lib=$(best run_lib)
  if [ -f invoices.pdf ]; then
    s_lib=$(stat -c %s invoices.pdf)
    lib_line="; oru library back end ${t_lib} s, ${s_lib} bytes"
  else
    lib_line="; the library back end made no document"
  fi
fi
if /usr/bin/python3 -c "import reportlab" 2>/dev/null; then
  run_rl() { /usr/bin/python3 "$here/pdf_invoices.py" rl.pdf logo.jpg; }
  t_rl=$(best run_rl)
  s_rl=$(stat -c %s rl.pdf)
  echo "invoices, 200 pages: oru ${t_oru} s, ${s_oru} bytes${lib_line}; ReportLab ${t_rl} s, ${s_rl} bytes"
else
  echo "invoices, 200 pages: oru ${t_oru} s, ${s_oru} bytes${lib_line}; ReportLab not installed"
fi
