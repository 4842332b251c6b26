# DROP ON and OBJ( on the thin client: drag-and-drop targets as '~'
# requests (no reply), and OBJ( of a client control as 'O' ' ' ('O' 'g'
# with the '/' mark) with the control's description from the client, its
# window handle through the property "hwnd" of id + 1000000000.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, check  # noqa: E402

for minor in "+-ED":
    tclient.NO_REPLY.add((ord('~'), ord(minor)))


def i16(v):
    return struct.pack(">h", v)


c = Client(level=12, caps=2)
c.handlers["O "] = lambda r: b"desc" + r.payload
c.handlers["Og"] = lambda r: b"other"
c.handlers["YR"] = lambda r: b"1234"
c.lines('10 DEFTTY F (0)80,25',
        '20 DROP ON 12,1,+7; DROP ON 12,1,-; DROP ON CONTROL,2,ENABLE; DROP ON -5,0,DISABLE',
        '30 DROP ON 32001,1,-,ERR=40',
        '40 E=ERR; A$=OBJ(7); B$=OBJ(/300); H$=OBJ(7,"HANDLE"); K$=OBJ(7,"width")',
        '50 PRINT "DO"+"NE ",E,"|",A$,"|",B$,"|",LEN(H$),ASC(H$(3)),ASC(H$(4)),"|",LEN(K$)', 'RUN')
check(c.wait_text("DONE ", 10), "the program did not end", c)
check(c.wait_text("\x1bLF", 5), "no end of line", c)
want = "DONE  41|desc\x00\x07|other| 4 4 210| 0"
check(want in c.text(), "results %r" % c.text()[-80:], c)
got = [(r.key(), r.payload) for r in c.requests if r.key()[0] in "~OY"]
expect = [("~+", i16(12) + i16(1) + i16(7)), ("~-", i16(12) + i16(1)), ("~E", i16(32767) + i16(2)),
          ("~D", i16(-5) + i16(0)), ("O ", i16(7)), ("Og", i16(300)),
          ("YR", b"N" + struct.pack(">i", 1000000007) + b"\x00\x04hwnd")]
check(got == expect, "requests %r" % got, c)
c.finish()
c.remove()
print("ok")
