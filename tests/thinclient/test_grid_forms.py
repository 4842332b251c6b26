# Every form of GRID and CHART, the client-placed scroll bar and the
# operation words of scroll bars and VBX controls, FOCUS RETRY, a popup menu
# at a position, SHOW with an entry string, ENABLE/DISABLE CONTROL and the
# help words on the thin client: each runs to its request (none stops with
# a syntax error), the answers reach their targets.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, check  # noqa: E402

for major in "Ga-V":
    for minor in "$acLUdG=SWADEsh-":
        tclient.NO_REPLY.add((ord(major), ord(minor)))
for key in ("s ", "h ", "< ", "> ", "H "):
    tclient.NO_REPLY.add((ord(key[0]), ord(key[1])))


def i32(*v):
    return struct.pack(">" + "i" * len(v), *v)


c = Client(level=12, caps=2)
c.handlers["GR"] = lambda r: i32(3, 4) + b"\x0d" + i32(2) + b"cell"
c.handlers["G!"] = lambda r: i32(7, 8)
c.handlers["GF"] = lambda r: b"found"
c.handlers["aR"] = lambda r: b"\x05" + i32(1) + b"slice"
c.handlers["aF"] = lambda r: b"point"
c.handlers["SY"] = lambda r: b""
c.handlers["N@"] = lambda r: b"b"
c.lines('10 DEFTTY F (0)80,25',
        '20 GRID 5,1,2,30,4,OPT="x",FNT=/,TIP="t",MNU=3,XT1="e"',
        '30 GRID 5,ADD,1,2; GRID 5,CLEAR,1,2; GRID 5,CLEAR,1,2,3,4; GRID 5,LOCK,1,2; GRID 5,UNLOCK,1,2,0,0',
        '40 GRID 5,SELECT,1,2,3,4; GRID 5,SELECT RESET; GRID 5,DELETE,1,2; GRID 5,GOTO; GRID 5,GOTO,1,1',
        '50 GRID 5,LOAD,1,2,"x"; GRID 5,NEXT,7; GRID 5,WRITE,1,2,"y"; GRID 5,AUTO; GRID 5,DISABLE; GRID 5,SHOW',
        '60 GRID 5,READ,C,L,V$,K; GRID 5,SELECT READ NEXT,SC,SL; GRID 5,FIND,1,2,F$; GRID 5,REMOVE',
        '70 CHART 6,1,2,30,4,DLM=";"; CHART 6,ADD,1,2; CHART 6,GOTO; CHART 6,LOCK; CHART 6,UNLOCK',
        '80 CHART 6,LOAD,"a,b,"; CHART 6,LOAD,1,"x"; CHART 6,LOAD,1,/; CHART 6,NEXT,7; CHART 6,WRITE,1,2,"x"',
        '90 CHART 6,READ,CV$,CK; CHART 6,FIND,1,2,CF$; CHART 6,REMOVE',
        '100 H_SCROLLBAR 8,F,OPT="o"; H_SCROLLBAR 8,DISABLE; H_SCROLLBAR 8,GOTO; H_SCROLLBAR 8,REMOVE',
        '110 FOCUS RETRY 5; POPUP_MENU @(100,200),"a,b,",PM$; SHOW $000502$; DISABLE CONTROL 5:2,6',
        '115 VBX 9,1,2,3,4,"cls","cap",MNU=-7,XT1="more",TBL="t"',
        '120 VBX 9,ENABLE; SYSTEM_HELP OPEN "h"; SYSTEM_HELP EDIT WAIT,"h","t"; WINPRT =WRITE "w",ERR=130',
        '130 PRINT "END"+"ED ",V$,C,L,K,"|",SC,SL,"|",F$,"|",CV$,CK,"|",CF$,"|",PM$,"|",ERR',
        'RUN')
check(c.wait_text("ENDED ", 10), "the program did not end", c)
check(c.wait_text("\x1bLF", 5), "no end of line", c)
out = c.text()
check("ENDED cell 3 4 13| 7 8|found|slice 5|point|b| 0" in out, "answers: %r" % out[-300:], c)
keys = [r.key() for r in c.requests if r.key()[0] in "Ga-SNs>VHW"]
want = ["G$", "Ga", "Gc", "Gc", "GL", "GU", "G!", "G!", "Gd", "GG", "GG", "G=", "GS", "GW", "GA", "GD", "Gs",
        "GR", "G!", "GF", "G-", "a$", "aa", "aG", "aL", "aU", "a=", "a=", "a=", "aS", "aW", "aR", "aF", "a-",
        "-$", "-D", "-G", "--", "SY", "N@", "s ", "> ", "V$", "VE", "H ", "H ", "WW"]
check(keys == want, "requests: %r" % keys, c)
pos = [r for r in c.requests if r.key() == "N@"][0].payload
check(pos[:5] == b"S" + struct.pack(">hh", 100, 200), "popup position: %r" % pos, c)
bar = [r for r in c.requests if r.key() == "-$"][0].payload
check(bar[:10] == struct.pack(">hhhhh", 8, -1, -1, -1, -1), "client-placed bar: %r" % bar, c)
vbx = [r for r in c.requests if r.key() == "V$"][0].payload
check(vbx.endswith(b"\x00\x01t" + struct.pack(">h", -7) + b"\x00\x04more"), "VBX options: %r" % vbx, c)
c.finish()
c.remove()
print("ok")
