# TXW( and TXH( on the thin-client console: the client measures the text
# ('f' 'w' and 'f' 'h' with the console's handle 0, the text, the width and
# the font) and answers a 4-byte number; a short answer is error 86; on a
# plain console they need a PDF channel (error 99).
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402

c = Client(level=12, caps=2)
c.handlers["fw"] = lambda r: struct.pack(">i", 80 + len(r.payload))
c.handlers["fh"] = lambda r: b"\x00\x01" if b"short" in r.payload else struct.pack(">i", 16)
c.lines('10 DEFTTY F (0)80,25', '20 W=TXW(0,"Hello"); H=TXH(0,"Hello world",48,"Arial,10")',
        '30 X=TXH(0,"short",ERR=40)', '40 PRINT "SI"+"ZES",W,H,ERR', 'RUN')
check(c.wait_text("SIZES", 10), "the program did not end", c)
check(c.wait_text("\x1bLF", 5), "no end of line", c)
check("SIZES 95 16 86" in c.text(), "sizes %r" % c.text()[-60:], c)
got = [(r.key(), r.payload) for r in c.requests if r.key() in ("fw", "fh")]
s = lambda b: struct.pack(">H", len(b)) + b
want = [("fw", struct.pack(">h", 0) + s(b"Hello") + struct.pack(">i", 0) + s(b"")),
        ("fh", struct.pack(">h", 0) + s(b"Hello world") + struct.pack(">i", 48) + s(b"Arial,10")),
        ("fh", struct.pack(">h", 0) + s(b"short") + struct.pack(">i", 0) + s(b""))]
check(got == want, "requests %r" % got, c)
c.finish()
c.remove()

c = Client()
c.lines('10 X=TXW(0,"a",ERR=20)', '20 PRINT "CO"+"DE",ERR', 'RUN')
check(c.wait_text("CODE 99", 10), "TXW( without a client or PDF channel is not error 99", c)
c.finish()
c.remove()
print("ok")
