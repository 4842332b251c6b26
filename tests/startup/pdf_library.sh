#!/bin/sh
# PDF documents made through the PDF library (libhzef.so, system parameter
# PH): encryption with passwords and permissions, TrueType fonts embedded,
# bookmarks, the library looked for beside the executable, and a document
# that fails leaving the previous one of its name.  Checked with qpdf,
# pdftotext and pdffonts; skipped when they are missing.
bench="$(cd "$(dirname "$0")/../../bench" && pwd)"
. "$(dirname "$0")/lib.sh"
for t in qpdf pdftotext pdffonts; do
  command -v "$t" >/dev/null 2>&1 || { echo "skipped: $t missing"; exit 77; }
done
[ -f "$(dirname "$oru")/libhzef.so" ] || { echo "skipped: libhzef.so not built"; exit 77; }
fail=0
bad() { echo "$1"; fail=1; }

# run NAME: types NAME.bas (written by the caller) at a fresh console with
# PH set; the console output goes to NAME.got.
run() {
  { echo "SET_PARAM 'PH'"; cat "$1.bas"; } | "$oru" > "$1.got" 2>&1
}

# ---- encryption ----
cat > enc.bas <<'EOF'
10 OPEN (1,OPT="ENCRYPT;OPENPSWD=open sesame;OWNERPSWD=boss")"*pdf*FILE=locked.pdf"
20 PRINT (1)"Salary list, confidential"
30 CLOSE (1)
40 OPEN (1,OPT="ENCRYPT;NOPRINT;NOCOPY")"*pdf*FILE=owner.pdf"
50 PRINT (1)"Readable by all, printable by none"
60 CLOSE (1)
RUN
EOF
run enc
# A new process: the option utility carries ENCRYPT over to later OPENs.
cat > plain.bas <<'EOF'
10 OPEN (1,OPT="OPENPSWD=ignored")"*pdf*FILE=plain.pdf"
20 PRINT (1)"Not protected"
30 CLOSE (1)
RUN
EOF
run plain
qpdf --check locked.pdf > /dev/null 2>&1 && bad "locked.pdf opens without its password"
qpdf --password='open sesame' --check locked.pdf > /dev/null 2>&1 || bad "locked.pdf: qpdf --check with its password fails"
qpdf --password=boss --check locked.pdf > /dev/null 2>&1 || bad "locked.pdf: the owner password does not open it"
text=$(pdftotext -upw 'open sesame' locked.pdf - 2>/dev/null | tr -d '\f' | sed '/^$/d')
[ "$text" = "Salary list, confidential" ] || bad "locked.pdf text: '$text'"
pdftotext locked.pdf - > /dev/null 2>&1 && bad "pdftotext reads locked.pdf without the password"
enc=$(qpdf --show-encryption --password='open sesame' locked.pdf 2>&1)
echo "$enc" | grep -q "^R = 3" || bad "locked.pdf is not encrypted with revision 3: $enc"
# ENCRYPT alone: the default owner password, no open password; NOPRINT and
# NOCOPY withhold printing and copying, editing stays.
qpdf --check owner.pdf > /dev/null 2>&1 || bad "owner.pdf needs a password to open"
qpdf --password=mirelant --check owner.pdf > /dev/null 2>&1 || bad "owner.pdf: the default owner password fails"
perm=$(qpdf --show-encryption owner.pdf 2>&1)
echo "$perm" | grep -q "print low resolution: not allowed" || bad "owner.pdf may be printed: $perm"
echo "$perm" | grep -q "extract for any purpose: not allowed" || bad "owner.pdf may be copied: $perm"
echo "$perm" | grep -q "modify other: allowed" || bad "owner.pdf may not be edited: $perm"
# An open password without ENCRYPT or an owner password protects nothing.
qpdf --show-encryption plain.pdf 2>&1 | grep -q "File is not encrypted" || bad "plain.pdf is encrypted"

# Passwords the library refuses (open equal to owner) fail the OPEN instead
# of giving an unprotected document.
cat > same.bas <<'EOF'
10 OPEN (1,ERR=30,OPT="OWNERPSWD=same;OPENPSWD=same")"*pdf*FILE=same.pdf"
20 STOP
30 PRINT "refused:",ERR
RUN
EOF
run same
grep -q "refused: 15" same.got || { bad "equal passwords did not fail the OPEN"; cat same.got; }
[ -f same.pdf ] && bad "equal passwords left a document"

# ---- TrueType fonts, standard fonts, bookmarks ----
if [ -f /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ]; then
  cat > fonts.bas <<'EOF'
10 OPEN (1,OPT="EMBED=Y")"*pdf*FILE=fonts.pdf"
20 PRINT (1)FNT("DejaVu Sans",-12,"B"),'DF',"Bold DejaVu print font"
30 PRINT (1)FNT("Courier",-12,"I"),'DF',"Courier oblique"
40 PRINT (1)MOPT("BOOKMARK","Fonts"+$09$+"DejaVu"),'FF',"Second page"
50 PRINT (1)MOPT("BOOKMARK","Fonts"+$09$+"Courier")
60 CLOSE (1)
70 OPEN (1,OPT="EMBED=n")"*pdf*FILE=standard.pdf"
80 PRINT (1)FNT("DejaVu Sans",-12,""),'DF',"EMBED=n leaves TrueType fonts out of the list only"
110 PRINT (1)FNT("Arial",-12,""),'DF',"Arial stands for Helvetica"
120 CLOSE (1)
RUN
EOF
  run fonts
  qpdf --check fonts.pdf > /dev/null 2>&1 || bad "fonts.pdf: qpdf --check fails"
  pdffonts fonts.pdf > fonts.list 2>&1
  grep -q "DejaVuSans-Bold.* TrueType .* yes " fonts.list || { bad "fonts.pdf: DejaVu Sans Bold not embedded"; cat fonts.list; }
  grep -q "^Courier-Oblique " fonts.list || { bad "fonts.pdf: no Courier-Oblique"; cat fonts.list; }
  text=$(pdftotext -layout fonts.pdf - | tr -d '\f' | sed '/^$/d;s/ *$//')
  want=$(printf '%s\n' "Bold DejaVu print font" "Courier oblique" "Second page")
  [ "$text" = "$want" ] || bad "fonts.pdf text: '$text'"
  # The bookmarks: Fonts with DejaVu (page 1) and Courier (page 2) under it.
  qpdf --json --json-key=outlines fonts.pdf > outlines.json 2>&1
  grep -q '"title": "Fonts"' outlines.json && grep -q '"title": "DejaVu"' outlines.json &&
    grep -q '"title": "Courier"' outlines.json || { bad "fonts.pdf: bookmarks missing"; cat outlines.json; }
  pdffonts standard.pdf | grep -q "DejaVuSans.* TrueType " || { bad "standard.pdf: EMBED=n refused a TrueType font"; pdffonts standard.pdf; }
  pdffonts standard.pdf | grep -q "^Helvetica " || { bad "standard.pdf: Arial is not Helvetica"; pdffonts standard.pdf; }
fi

# ---- 'AB' keeps the pages made before it; a failed OPEN keeps the previous document ----
printf 'previous report\n' > keep.pdf
cat > fails.bas <<'EOF'
10 OPEN (1)"*pdf*FILE=keep.pdf"
20 PRINT (1)"new report, abandoned"
30 PRINT (1)'AB'
35 FOR I=1 TO 300; PRINT (1)"after abandoning, text and lines go nowhere ",I,LIN(0,0,160,160),; NEXT I
40 CLOSE (1)
50 OPEN (1,ERR=70,OPT="MARGINS=5i:0:5i:0")"*pdf*FILE=keep.pdf"
60 STOP
70 PRINT "margins:",ERR
RUN
EOF
run fails
grep -q "Record too long\|Error\|error" fails.got && { bad "output after 'AB' failed"; cat fails.got; }
[ "$(pdftotext keep.pdf - | tr -d '\f' | sed '/^$/d')" = "new report, abandoned" ] ||
  bad "'AB': the page made before it was not saved"
grep -q "margins: 41" fails.got || { bad "margins leaving no page: no error 41"; cat fails.got; }
ls .keep.pdf.* > /dev/null 2>&1 && bad "a temporary file was left behind"

# ---- the 200-page invoice run of the benchmarks ----
cp "$bench/pdf_invoice.bas" invoice.bas && cp "$bench/pdf_logo.jpg" . || exit 2
run invoice
grep -q "pages: 200" invoice.got || { bad "invoice run did not end"; tail -5 invoice.got; }
qpdf --check invoices.pdf > /dev/null 2>&1 || bad "invoices.pdf: qpdf --check fails"
[ "$(qpdf --show-npages invoices.pdf 2>&1)" = 200 ] || bad "invoices.pdf: not 200 pages"
pdftotext -f 200 -l 200 -layout invoices.pdf last.txt
grep -q "Page 200 of 200" last.txt && grep -q "Invoice 50004" last.txt && grep -q "Sales by product group" last.txt ||
  { bad "invoices.pdf: last page text"; cat last.txt; }
qpdf --json --json-key=outlines invoices.pdf > outlines.json 2>&1
[ "$(grep -c '"title": "Customer ' outlines.json)" = 50 ] || bad "invoices.pdf: not 50 customer bookmarks"

# ---- a disk that fills while the library writes: error 15, the previous
# document survives and no temporary file is left ----
printf 'previous invoices\n' > invoices.pdf
( ulimit -f 128; run invoice )
grep -q "the PDF library cannot write the document: ERROR: error_no=" invoice.got ||
  { bad "a full disk at CLOSE gave no error 15"; tail -5 invoice.got; }
[ "$(cat invoices.pdf)" = "previous invoices" ] || bad "a full disk destroyed the previous invoices.pdf"
ls .invoices.pdf.* > /dev/null 2>&1 && bad "a full disk left a temporary file"

# ---- the library beside the executable, and a missing library ----
mkdir alone && cp "$oru" alone/oru || exit 2
printf '%s\n' "SET_PARAM 'PH'" '10 OPEN (1,ERR=30)"*pdf*FILE=x.pdf"' '20 STOP' '30 PRINT "error",ERR' RUN |
  alone/oru > alone.got 2>&1
grep -q "error 15" alone.got || { bad "without libhzef.so OPEN did not give error 15"; cat alone.got; }
cp "$(dirname "$oru")/libhzef.so" alone/ || exit 2
printf '%s\n' "SET_PARAM 'PH'" 'OPEN (1)"*pdf*FILE=x.pdf"' 'PRINT (1)"found beside oru"' 'CLOSE (1)' |
  alone/oru > alone2.got 2>&1
[ "$(pdftotext x.pdf - 2>/dev/null | tr -d '\f' | sed '/^$/d')" = "found beside oru" ] ||
  { bad "libhzef.so beside the executable was not used"; cat alone2.got; }
exit $fail
