# Array arguments and multi-property paths of client controls and objects:
# an array argument is first built on the client by statements ('$' 'E')
# under the name _1, _2$ ..., the request names it "_1[ALL]", and the arrays
# are removed again after the request, also when the client refuses it.  On
# the Java client of the Wexa kind a multi-property path (A.B.) is one read
# or write per name, the values joined with NUL bytes.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, check  # noqa: E402

tclient.NO_REPLY.add((ord('$'), ord('E')))


def s(b):
    return struct.pack(">H", len(b)) + b


values = {b"A$": b"1", b"B$": b"2", b"FILL(_1$[ALL],_2[ALL])": b"3"}


def read(r):
    kind = r.payload[0:1]
    ident = struct.unpack(">i", r.payload[1:5])[0]
    path = r.payload[7:]
    if path.startswith(b"BAD"):
        return tclient.can(88)
    return values.get(path, b"?")


c = Client(level=12, caps=2, kind=b"J")
c.handlers["YR"] = read
long_text = "Z" * 2100
c.lines('10 DEFTTY F (0)80,25',
        '20 DIM A$[1:2],N[0:1,1:2]; A$[1]="x"; A$[2]=QUO+"q"; N[0,1]=5; N[1,2]=-1.5',
        '30 C=7; PRINT "FI"+"LL ",C\'FILL(A$[ALL],N[ALL])',
        '40 M$=C\'A.B.$; PRINT "MU"+"LTI ",LEN(M$),ASC(M$(2)),M$(1,1),M$(3,1)',
        '50 C\'A.B.$="x|y|"',
        '55 SETERR 70', '60 DIM L$[1]; L$[1]="%s"; X=C\'BAD(L$[ALL])' % long_text,
        '65 STOP',
        '70 PRINT "RE"+"FUSED ",ERR', 'RUN')
check(c.wait_text("REFUSED ", 10), "the program did not end", c)
check(c.wait_text("\x1bLF", 5), "no end of line", c)
out = c.text()
check("FILL  3" in out, "FILL result: %r" % out[-200:], c)
check("MULTI  4 012" in out, "multi read: %r" % out[-200:], c)
check("REFUSED  88" in out, "refusal: %r" % out[-200:], c)
got = [(r.key(), r.payload) for r in c.requests if r.key() in ("$E", "YR", "YW")]
want = [
    ("$E", s(b"DIM _1$[1:2,0:0,0:0];_1$[1,0,0]=$78$;_1$[2,0,0]=$2271$")),
    ("$E", s(b"DIM _2[0:1,1:2,0:0];_2[0,1,0]=5;_2[1,2,0]=-1.5")),
    ("YR", b"N" + struct.pack(">i", 7) + s(b"FILL(_1$[ALL],_2[ALL])")),
    ("$E", s(b"DIM _1$[0],_2[0]")),
    ("YR", b"S" + struct.pack(">i", 7) + s(b"A$")),
    ("YR", b"S" + struct.pack(">i", 7) + s(b"B$")),
    ("YW", b"S" + struct.pack(">i", 7) + s(b"A$") + s(b"x")),
    ("YW", b"S" + struct.pack(">i", 7) + s(b"B$") + s(b"y")),
]
check(got[:len(want)] == want, "requests:\n%r" % got[:len(want)], c)
# The long string goes in pieces: the first assigns, the next appends.
rest = got[len(want):]
hexed = "5A" * 2046
check(len(rest) == 4 and rest[0][1] == s(b"DIM _1$[0:1,0:0,0:0];_1$[1,0,0]=$" + hexed.encode() + b"$"),
      "first piece: %r" % [r[1][:60] for r in rest], c)
check(rest[1][1] == s(b"_1$[1,0,0]+=$" + ("5A" * 54).encode() + b"$"), "second piece %r" % rest[1][1][:80], c)
check(rest[2][0] == "YR" and rest[3] == ("$E", s(b"DIM _1$[0]")), "refused request not cleaned up", c)
c.finish()
c.remove()
print("ok")
