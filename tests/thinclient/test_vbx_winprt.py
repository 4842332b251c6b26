# VBX controls, WINPRT, MULTI_MEDIA and the client-unit functions @X( and
# @Y( on the thin client: each request with its items as the client gets
# them, the answers assigned (converted to the target's type), the client's
# refusals raised as errors, and error 99 without a client.
import os
import struct
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, check  # noqa: E402

for key in ("V$", "VW", "V=", "V-", "VG"):
    tclient.NO_REPLY.add((ord(key[0]), ord(key[1])))


def i16(v):
    return struct.pack(">h", v)


def s(b):
    return struct.pack(">H", len(b)) + b


reads = iter([b"hello", b"42", b"plain"])
c = Client(level=12, caps=2)
c.handlers["VR"] = lambda r: next(reads)
c.handlers["Vd"] = lambda r: b"val" if r.payload[2:3] == b"/" else False
c.handlers["WR"] = lambda r: b"prn1" if r.payload == b" " else b"prnP"
c.handlers["Wd"] = lambda r: b"a,b,"
c.handlers["Wl"] = lambda r: b"lp"
c.handlers["m "] = lambda r: b"\x00\x00played" if r.payload.startswith(b"\x00\x04play") else b"\x00\x0c"
c.handlers["f@"] = lambda r: b"\x00\x00\x00\x00" + i16(8) + i16(16)
c.lines('10 DEFTTY F (0)80,25',
        '20 VBX 5,1,2,10,3,"MSComm","cap",KEY="q",OPT="o"',
        '30 VBX 5,READ,"Caption",C$; VBX 5,READ,/,N,4; VBX 5,READ,M$',
        '40 VBX 5,WRITE,3,"x",7; VBX 5,WRITE,"Value",2.5; VBX 5,LOAD,2,/; VBX 5,LOAD,0,"item"',
        '42 VBX 5,DEFCTL,/,D$; VBX 5,DEFCTL,12,"go"; VBX 5,GOTO; VBX 5,REMOVE',
        '50 VBX 5,DEFCTL,12,"",ERR=52',
        '52 VBX 5,READ,40000,X$,ERR=60',
        '60 WINPRT READ P$; WINPRT WRITE "abc"; WINPRT READ FROM Q$; WINPRT DIRECTORY L$',
        '62 WINPRT =LIST X$,ERR=70',
        '70 MULTI_MEDIA "play",5,R$; MULTI_MEDIA "stop",ERR=80',
        '80 E=ERR; X=@X(80); Y=@Y(24); Z=@X(-3)',
        '90 PRINT "DO"+"NE ",C$,"|",N,"|",M$,"|",D$,"|",P$,Q$,L$,"|",R$,"|",E,"|",X,"|",Y,"|",Z,"|",X$',
        'RUN')
check(c.wait_text("DONE ", 10), "the program did not end", c)
check(c.wait_text("\x1bLF", 5), "no end of line", c)
out = c.text()
check("DONE hello| 42|plain|val|prn1prnPa,b,|played| 12| 10| 1.5|-0.38|lp" in out, "answers: %r" % out[-200:], c)
got = [(r.key(), r.payload) for r in c.requests if r.key()[0] in "VWmf" and r.key() != "fn"]
want = [
    ("V$", i16(5) + i16(100) + i16(200) + i16(1000) + i16(300) + s(b"MSComm") + s(b"cap") + b"Q" + s(b"o") + s(b"")
     + i16(0) + s(b"")),
    ("VR", i16(5) + b"S" + s(b"Caption") + i16(-1)),
    ("VR", i16(5) + b"/" + i16(4)),
    ("VR", i16(5) + b" " + i16(-1)),
    ("VW", i16(5) + b"N" + i16(3) + b"S" + s(b"x") + i16(7)),
    ("VW", i16(5) + b"S" + s(b"Value") + b"N" + s(b"2.5") + i16(-1)),
    ("V=", i16(5) + i16(2) + b"\xff\xff"),
    ("V=", i16(5) + i16(0) + s(b"item")),
    ("Vd", i16(5) + b"/"),
    ("Vd", i16(5) + b"E" + i16(12) + s(b"go")),
    ("VG", i16(5)),
    ("V-", i16(5)),
    ("WR", b" "), ("WW", b" " + s(b"abc")), ("WR", b"P"), ("Wd", b""), ("Wl", b""),
    ("m ", s(b"play") + i16(5)), ("m ", s(b"stop") + i16(5)),
    ("f@", i16(0)), ("f@", i16(0)), ("f@", i16(0)),
]
check(got == want, "requests:\n%r\nwanted:\n%r" % (got, want), c)
c.finish()
c.remove()

# The client refuses a VBX read (CAN 29), then goes away in the middle of a
# WINPRT request: the refusal is the program's error 29, the lost client
# ends the session cleanly (no hang).
c = Client(level=12, caps=2)
c.handlers["VR"] = lambda r: tclient.can(29)


def vanish(r):
    c.close_input()
    return False


c.handlers["WR"] = vanish
c.lines('10 DEFTTY F (0)80,25', '20 VBX 7,READ,"A",A$,ERR=30', '25 STOP',
        '30 PRINT "REF"+"USED ",ERR', '40 WINPRT READ W$', '50 PRINT "NOT"+"REACHED"', 'RUN')
check(c.wait_text("REFUSED  29", 10), "the refusal was not error 29", c)
check(c.ended(20), "oru did not end after the client went away", c)
check("NOTREACHED" not in c.text(), "the program went on without its answer", c)
c.remove()

# Without a thin client: VBX, WINPRT, @X( and IMG( are error 99.
c = Client()
c.lines('10 VBX 5,READ,"A",A$,ERR=20', '20 A=ERR; WINPRT READ W$,ERR=30', '30 B=ERR',
        '40 X=@X(3,ERR=50)', '50 C=ERR; I$=IMG("x.bmp",ERR=60)', '60 PRINT "CODES"+":",A,B,C,ERR', 'RUN')
check(c.wait_text("CODES: 99 99 99 99", 10), "missing client not error 99", c)
c.finish()
c.remove()
print("ok")
