#!/bin/sh
# The forms of ACCEPT, the buttons, the list-box family and the directives
# with a closing ERR= clause, and the number literals: each compiles or is
# refused as its grammar says, lists back exactly, runs without 20 or 49,
# and survives SAVE and LOAD (control_forms_sweep.py).
here=$(cd "$(dirname "$0")" && pwd)
command -v python3 >/dev/null 2>&1 || { echo "python3 missing: skipped"; exit 77; }
. "$here/lib.sh"
timeout 100 python3 "$here/control_forms_sweep.py" "$oru" "$tmp"
