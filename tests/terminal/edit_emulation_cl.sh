#!/bin/sh
# Emulated clears on a device channel (a pseudo-terminal, the bytes checked
# as the device gets them) whose driver defines 'CL' but neither 'CE', 'CS'
# nor 'LI': 'CE' clears each line from the last one up to the one below the
# cursor with the device's 'CL', then the rest of the cursor's line; 'CS'
# clears every line with 'CL' and ends at the top left; an emulated 'LI'
# turns wrap off first, moves the lines down from the last one up and clears the cursor's line
# with 'CL', not with blanks.
oru=$1; lib=$2
command -v python3 >/dev/null || exit 77
ORULIB=$lib exec python3 - "$oru" "$(dirname "$0")" <<'PY'
import sys

sys.path.insert(0, sys.argv[2])
from pty_device import device_bytes

fill = "40 PRINT (1)'CS',\"abc\",@(0,1),\"def\",@(0,2),\"ghi\",@(0,3),\"jkl\",'SF',@(0,0),\"#\","
prog = [
    "20 DEFTTY (1)10,4",
    "30 MNEMONIC (1)'@@',\"<P\\La,\\Ca>\",'CL',\"<CL>\",'EW',\"<EW>\",'BW',\"<BW>\"",
    fill,
    "50 PRINT (1)@(1,1),'CE',\"|\",",
    fill.replace("40 ", "60 "),
    "70 PRINT (1)@(0,1),'LI',\"|\",",
    fill.replace("40 ", "80 "),
    "90 PRINT (1)@(2,2),'CS',\"|\",",
]
got = device_bytes(sys.argv[1], prog)

# '@@' sends <P line,column>; each part ends with the "|" printed after it.
parts = got.split(b"|")
want = [
    (b"<P3,0><CL><P2,0><CL><P1,1><CL>", "emulated 'CE'"),
    (b"<EW><P3,0>ghi<P2,0>def<P1,0><CL><BW>", "emulated 'LI'"),
    (b"<P0,0><CL><P1,0><CL><P2,0><CL><P3,0><CL><P0,0>", "emulated 'CS'"),
]
if len(parts) < 4:
    print("too few parts: %r" % got); sys.exit(1)
for part, (bytes_, what) in zip(parts, want):
    if bytes_ not in part:
        print("%s: %r" % (what, part)); sys.exit(1)
sys.exit(0)
PY
