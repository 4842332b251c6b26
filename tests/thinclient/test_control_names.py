# The control forms of REMOVE and RENAME on the thin client: REMOVE CONTROL
# sends each id as a statement the client runs ('$' 'E', "/" marks the
# control with its children); RENAME CONTROL sends 'n' 'C' with 4-byte
# entries and the hide, show and restore flags.  Ids out of range are error
# 41, an entry string of the wrong length error 46.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import attached, check  # noqa: E402

tclient.NO_REPLY.add((ord('n'), ord('C')))
c = attached("20 REMOVE CONTROL 101,/-5",
             "30 RENAME CONTROL 101,202",
             "40 RENAME CONTROL $00650066FFF6000A$,SHOW",
             "50 RENAME CONTROL 1,2,RESTORE",
             "60 REMOVE CONTROL 40000,ERR=100",
             "70 RENAME CONTROL \"abc\",ERR=110",
             "80 PRINT \"FIN\"+\"ISHED\"; END",
             "100 PRINT \"E1 \",ERR; GOTO 70",
             "110 PRINT \"E2 \",ERR; GOTO 80",
             ready="FINISHED")
stmts = [r.items("s")[0] for r in c.requests if r.key() == "$E"]
check(stmts == [b"REMOVE CONTROL 101", b"REMOVE CONTROL *-5"], "REMOVE CONTROL statements: %r" % stmts, c)
ren = [r.payload for r in c.requests if r.key() == "nC"]
want = [struct.pack(">H", 4) + bytes.fromhex("006500ca") + struct.pack(">hhh", 0, 0, 0),
        struct.pack(">H", 8) + bytes.fromhex("00650066fff6000a") + struct.pack(">hhh", 0, 1, 0),
        struct.pack(">H", 4) + bytes.fromhex("00010002") + struct.pack(">hhh", 0, 0, 1)]
check(ren == want, "RENAME CONTROL requests: %r" % ren, c)
check("E1  41" in c.text() and "E2  46" in c.text(), "errors of the control forms: %r" % c.text(), c)
c.finish()
c.remove()
print("ok")
