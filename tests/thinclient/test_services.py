# Message boxes, the clipboard, menu bars and help on the thin client:
# MSGBOX sends its text, title and options and assigns the client's answer;
# CLIPBOARD READ assigns the client's text, WRITE sends one, another keyword
# sends nothing; MENU_BAR sends its definition, a number as "#n", waits for
# the client's answer to each request, and READ assigns the choice; an
# empty menu text is error 46; SYSTEM_HELP marks printing and waiting
# before its text.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402

c = Client(level=12, caps=2)
c.handlers["? "] = lambda r: b"YES"
c.handlers["+R"] = lambda r: b"clip"
c.handlers["NR"] = lambda r: b"File"
c.lines('10 DEFTTY F (0)80,25', '20 MSGBOX "Sure?","Title","YN",A$',
        '30 CLIPBOARD READ C$; CLIPBOARD WRITE "put"; CLIPBOARD RESET', '40 MSGBOX "only"',
        '42 MENU_BAR 3,"&File,&Edit,"; MENU_BAR ON,7; MENU_BAR OFF,"Edit"; MENU_BAR READ M$',
        '44 MENU_BAR ON,"",ERR=45',
        '45 SYSTEM_HELP PRINT WAIT "guide","topic",12; SYSTEM_HELP "plain"',
        '50 PRINT "DONE ",A$,C$,M$,ERR', 'RUN')
check(c.wait_text("DONE YESclipFile 46", 10), "answers not assigned", c)
got = [(r.key(), r.payload) for r in c.requests if r.key()[0] in "?+NH"]
want = [("? ", b"\x00\x05Sure?\x00\x05Title\x00\x02YN"), ("+R", b""), ("+W", b"\x00\x03put"),
        ("? ", b"\x00\x04only\x00\x00\x00\x00"),
        ("N$", struct.pack(">h", 3) + b"\x00\x0c&File,&Edit,"), ("NY", b"\x00\x02#7"), ("NN", b"\x00\x04Edit"),
        ("NR", b""),
        ("H ", b"\x00\x12<wait><print>guide\x00\x05topic" + struct.pack(">h", 12)),
        ("H ", b"\x00\x05plain\x00\x00\x00\x00")]
check(got == want, "requests %r" % got, c)
c.finish()
c.remove()
print("ok")
