#!/bin/sh
# The screen edits on a device channel whose terminal is a pseudo-terminal
# (the bytes checked as the device gets them): 'CE' the device's way with
# parameter VC at column 0 sends the cursor position again after the
# clear; emulated 'DC' and 'IC' turn wrap off ('EW') before they rewrite,
# and back on ('BW') after; an emulated 'LD' clears the last line with the
# device's 'CL', not with blanks.
oru=$1; lib=$2
command -v python3 >/dev/null || exit 77
ORULIB=$lib exec python3 - "$oru" "$(dirname "$0")" <<'PY'
import sys

sys.path.insert(0, sys.argv[2])
from pty_device import device_bytes

prog = [
    "20 DEFTTY (1)10,4",
    "30 MNEMONIC (1)'@@',\"<P\\La,\\Ca>\",'CE',\"<CE>\",'CL',\"<CL>\",'EW',\"<EW>\",'BW',\"<BW>\",'CS',\"<CS>\"",
    "40 PRINT (1)'CS',\"abc\",@(0,1),\"def\",@(0,2),\"ghi\",@(0,3),\"jkl\",'SF',",
    "50 PRINT (1)@(0,0),'DC',",
    "60 PRINT (1)@(0,1),'IC',",
    "70 PRINT (1)@(0,1),'LD',",
    "80 SET_PARAM 'VC'; PRINT (1)@(0,2),'CE',",
]
got = device_bytes(sys.argv[1], prog)


# '@@' sends <P line,column>.
want = [
    (b"<P0,0><EW>bc <BW><P0,0>", "emulated 'DC'"),
    (b"<P1,0><EW> def<BW><P1,0>", "emulated 'IC'"),
    (b"<P1,0><EW>ghi <P2,0>jkl<P3,0><CL><BW><P1,0>", "emulated 'LD'"),
    (b"<P2,0><CE><P2,0>", "'CE' with VC"),
]
for bytes_, what in want:
    if bytes_ not in got:
        print("%s: %r" % (what, got)); sys.exit(1)
sys.exit(0)
PY
