# The GUI control directives on the thin client: each family's requests as
# the client receives them (list boxes, buttons, scroll bars, the focus,
# SHOW and HIDE, popup menus), the replies assigned back, and properties of
# client-side controls and objects read and written through references and
# chains.  A reply that is too short is error 86, and the program goes on.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, check  # noqa: E402

# Requests of controls that await no reply.
for major in "LlDdMGa|-BCTRbctr":
    for minor in "$+=WGS-DEcdLUAash":
        tclient.NO_REPLY.add((ord(major), ord(minor)))
for major in "sh<>":
    tclient.NO_REPLY.add((ord(major), ord(' ')))

c = Client(level=12, caps=2)
c.handlers["LR"] = lambda r: b"\x0d" + struct.pack(">i", 2) + b"banana"
c.handlers["LF"] = lambda r: b"cherry"
c.handlers["SR"] = lambda r: struct.pack(">h", 101)
c.handlers["S "] = lambda r: b""
c.handlers["BR"] = lambda r: b"\x04"
c.handlers["|R"] = lambda r: struct.pack(">i", 42)
c.handlers["N@"] = lambda r: b"two" if r.payload[0] == ord('S') else struct.pack(">h", 2)
c.handlers["YR"] = lambda r: b"Smith" if r.payload[0] == ord('S') else b"12.5"
c.handlers["DR"] = lambda r: b"\x00"  # too short
c.lines("10 DEFTTY F (0)80,25",
        "20 LIST_BOX 101,1,2,12.5,4,OPT=\"x\",KEY=\"q\",FNT=/,MAX=9,TIP=\"tip\"",
        "30 LIST_BOX 101,LOAD,\"apple,banana,\"",
        "40 LIST_BOX 101,LOAD,2,\"cherry\"; LIST_BOX 101,LOAD,1,/",
        "50 LIST_BOX 101,WRITE,2; LIST_BOX 101,WRITE,\"banana\"",
        "60 LIST_BOX 101,READ,X$,K; LIST_BOX 101,READ,N",
        "70 LIST_BOX 101,FIND,3,F$; LIST_BOX 101,GOTO; LIST_BOX 101,REMOVE",
        "80 BUTTON 5,1,1,8,1,\"OK\"; BUTTON 5,WRITE,\"1\"; BUTTON 5,READ,BC",
        "90 V_SCROLLBAR 7,70,1,1,10; V_SCROLLBAR 7,READ,P,1,0,2; V_SCROLLBAR 7,WRITE,5,100",
        "100 FOCUS READ FC; FOCUS 101; SHOW 101,5:2; HIDE 102",
        "110 POPUP_MENU \"one,two,\",PM$; POPUP_MENU \"one,two,\",PM",
        "120 C=101; NAME$=C'TEXT$; V=C'WIDTH; C'TEXT$=\"new\"; C'LEFT=3",
        "130 O=-40000; PRINT O'ITEMS'COUNT; O'ITEMS'ITEM$(2,\"a b\",\"q\"+QUO,\"\")=\"z\"",
        "140 DROP_BOX 9,READ,D$,ERR=150",
        "150 PRINT \"RESULTS \",X$,K,N,F$,BC,P,FC,PM$,PM,NAME$,V,ERR",
        "160 END",
        "RUN")
check(c.wait_text("RESULTS banana"), "the program did not end", c)
out = c.text()
check("RESULTS banana 13 2cherry 4 42 101two 2Smith 12.5 86" in out, "results: %r" % out[-300:], c)

ctl = [r for r in c.requests if r.key()[0] in "LDBl|SshN-YA"]
got = [(r.key(), r.payload) for r in ctl]
want = [
    # the further options: font ("/" is "*"), null text, tip, format,
    # message, menu control id, longest text, the two further texts
    ("L$", struct.pack(">hhhhh", 101, 100, 200, 1250, 400) + b"\x00\x01x\x00\x00Q\x8a" + b"\x00\x01*\x00\x00\x00\x03tip"
     + b"\x00\x00" * 2 + struct.pack(">hh", 0, 9) + b"\x00\x00" * 2),
    ("L=", struct.pack(">h", 101) + b"\x00\x0dapple,banana,"),
    ("L=", struct.pack(">hh", 101, 2) + b"\x00\x06cherry"),
    ("L=", struct.pack(">hh", 101, 1) + b"\xff\xff"),
    ("LW", struct.pack(">h", 101) + b"N" + struct.pack(">i", 2)),
    ("LW", struct.pack(">h", 101) + b"S\x00\x06banana"),
    ("LR", struct.pack(">h", 101) + b" "),
    ("LR", struct.pack(">h", 101) + b" "),
    ("LF", struct.pack(">hh", 101, 3)),
    ("LG", struct.pack(">h", 101)),
    ("L-", struct.pack(">h", 101)),
    ("B$", struct.pack(">hbhhhh", 5, 0, 100, 100, 800, 100) + b"\x00\x02OK" + b"\x00\x00" * 5 + struct.pack(">h", 0) + b"\x00\x00"),
    ("BW", struct.pack(">hb", 5, 0) + b"1"),
    ("BR", struct.pack(">hb", 5, 0)),
    ("|$", struct.pack(">hhhhh", 7, 7000, 100, 100, 1000) + b"\x00\x00\x00\x00"),
    ("|R", struct.pack(">hiii", 7, 1, 0, 2)),
    ("|W", struct.pack(">hii", 7, 5, 100)),
    ("SR", b""),
    ("S ", struct.pack(">h", 101)),
    ("s ", b"\x00\x06" + struct.pack(">hbhb", 101, 0, 5, 2)),
    ("h ", b"\x00\x03" + struct.pack(">hb", 102, 0)),
    ("N@", b"S" + struct.pack(">hh", -1, -1) + b"\x00\x08one,two,"),
    ("N@", b"N" + struct.pack(">hh", -1, -1) + b"\x00\x08one,two,"),
    ("YR", b"S" + struct.pack(">i", 101) + b"\x00\x05TEXT$"),
    ("YR", b"N" + struct.pack(">i", 101) + b"\x00\x05WIDTH"),
    ("YW", b"S" + struct.pack(">i", 101) + b"\x00\x05TEXT$\x00\x03new"),
    ("YW", b"N" + struct.pack(">i", 101) + b"\x00\x04LEFT\x00\x013"),
    ("YR", b"N" + struct.pack(">i", -40000) + b"\x00\x0bITEMS'COUNT"),
    ("YW", b"S" + struct.pack(">i", -40000) + b"\x00\x1eITEMS'ITEM$(2,\"a b\",$7122$,$$)\x00\x01z"),
    ("DR", struct.pack(">h", 9) + b" "),
]
for i, (w, g) in enumerate(zip(want, got)):
    check(w == g, "request %d: want %r, got %r" % (i, w, g), c)
check(len(got) == len(want), "%d requests, %d expected: %r" % (len(got), len(want), got[len(want):]), c)
c.finish()
c.remove()
print("ok")
