# Every form that the grammars of the buttons and the list-box family take
# runs on the thin client: each becomes its request (major and minor code as
# the operation word names it) and the program goes on without an error.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, check  # noqa: E402

for major in "LlDdMBCTRbctr":
    for minor in "$+=WGS-DEcdLUAash":
        tclient.NO_REPLY.add((ord(major), ord(minor)))
for major in "BCTRbctr":
    for minor in "FN":
        tclient.NO_REPLY.add((ord(major), ord(minor)))

c = Client(level=12, caps=2)
c.handlers["LR"] = lambda r: b"\x0d" + struct.pack(">i", 2) + b"two"
c.handlers["LF"] = lambda r: b"three"
c.handlers["L!"] = lambda r: struct.pack(">ii", 4, 5)
for major in "BCTR":
    c.handlers[major + "R"] = lambda r: b"1\x04"
c.lines("10 DEFTTY F (0)80,25; SETERR 900",
        "20 LIST_BOX 101,1,2,10,3,KEY=\"a\",OPT=\"x\",TBL=\"t\",FNT=/,TIP=\"t\",MSG=\"m\",FMT=\"f\",NUL=\"-\","
        "DLM=\",\",MNU=2,MAX=9,XT1=\"x\",ERR=900",
        "30 LIST_BOX 101,ADD,1,2; LIST_BOX 101,AUTO; LIST_BOX 101,DISABLE,ERR=900; LIST_BOX 101,ENABLE",
        "40 LIST_BOX 101,SHOW; LIST_BOX 101,HIDE; LIST_BOX 101,GOTO; LIST_BOX 101,LOCK; LIST_BOX 101,UNLOCK",
        "50 LIST_BOX 101,CLEAR,1,2; LIST_BOX 101,CLEAR,1,2,3,4; LIST_BOX 101,DELETE,1,2,ERR=900",
        "60 LIST_BOX 101,SELECT,1,2; LIST_BOX 101,SELECT,1,2,3,4; LIST_BOX 101,SELECT RESET",
        "70 LIST_BOX 101,SELECT READ,C,L; LIST_BOX 101,SELECT READ NEXT,C2,L2,ERR=900",
        "80 LIST_BOX 101,FIND,3,F$; DIM A$[2]; A$[1]=\"p\"; A$[2]=\"q\"; LIST_BOX 101,LOAD,A$[ALL]",
        "90 LIST_BOX 101,LOAD,\"a,b,\"; LIST_BOX 101,LOAD,2,\"c\"; LIST_BOX 101,LOAD,2,/,ERR=900",
        "100 LIST_BOX 101,NEXT,5; LIST_BOX 101,READ,X$; LIST_BOX 101,READ NEXT,N,K,ERR=900",
        "110 LIST_BOX 101,WRITE,\"b\"; LIST_BOX 101,WRITE,2; LIST_BOX 101,REMOVE",
        "120 MULTI_LINE 102,1,6,10,3,XT2=\"x\"; VARLIST_BOX 103,1,10,9,3; DROP_BOX 104,20,1,9,3",
        "130 VARDROP_BOX 105,20,6,9,3",
        "140 BUTTON 5,1,1,10,1,\"OK\",OPT=\"x\",FNT=/,TIP=\"t\",MSG=\"m\",MNU=3,XT1=\"x\",ERR=900; BUTTON /5,OFF",
        "150 BUTTON 5,ON; BUTTON 5,DISABLE; BUTTON 5,ENABLE; BUTTON 5,GOTO; BUTTON 5,NEXT,7,ERR=900",
        "160 BUTTON 5,SHOW; BUTTON 5,HIDE; BUTTON 5,READ,BQ; BUTTON 5,WRITE,\"1\"; BUTTON 5,REMOVE",
        "170 CHECK_BOX 6,1,3,10,1,\"Yes\",TBL=\"NY\"; CHECK_BOX 6,READ,S$,SK",
        "180 TRISTATE_BOX 7,1,4,10,1,\"x\",TBL=\"NYM\"; TRISTATE_BOX 7,WRITE,\"\"",
        "190 RADIO_BUTTON 8:3,1,5,5,1,\"one\"; RADIO_BUTTON 8:3,READ,R,RK,ERR=900",
        "200 Z$=STR(C)+\"|\"+STR(L)+\"|\"+STR(C2)+\"|\"+STR(L2)+\"|\"+F$+\"|\"+X$+\"|\"+STR(N)+\"|\"+STR(K)",
        "205 Z$=Z$+\"|\"+STR(BQ)+\"|\"+S$+\"|\"+STR(SK)+\"|\"+STR(R)+\"|\"+STR(RK); PRINT \"FOR\"+\"MS \",Z$",
        "210 END",
        "900 PRINT \"STOP\"+\"PED \",ERR,\" AT \",TCB(5)",
        "RUN")
c.wait_text("FORMS ")
out = c.text()
check("STOPPED" not in out, "a form stopped: %r" % out[-300:], c)
check("FORMS 4|5|4|5|three|two|2|13|49|1|4|49|4" in out, "results: %r" % out[-300:], c)

keys = [r.key() for r in c.requests if r.key()[0] in "LlDdMBCTRbctr"]
want = ["L$", "La", "LA", "LD", "LE", "Ls", "Lh", "LG", "LL", "LU", "Lc", "Lc", "Ld", "L!", "L!", "L!",
        "L!", "L!", "LF", "L=", "L=", "L=", "L=", "LS", "LR", "LR", "LW", "LW", "L-", "M$", "l$", "D$",
        "d$", "B$", "bF", "BN", "BD", "BE", "BG", "BS", "Bs", "Bh", "BR", "BW", "B-", "C$", "CR", "T$",
        "TW", "R$", "RR"]
check(keys == want, "requests: %r" % keys, c)
c.finish()
c.remove()
print("ok")
