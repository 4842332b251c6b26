# Objects kept on the thin client: NEW("[vrl]class", args) asks the client
# ('Y' 'a', class name and parameter text) for a handle; their properties
# and methods are the client's ('Y' 'R' / 'Y' 'W'); REF( counts on the
# client ('Y' '#'); DROP OBJECT drops there ('Y' '-', no reply); DEF OBJECT
# of a "[vrl]" name or a control id asks 'Y' '$' with the position; ON
# EVENT from a client object hands the statement text to the client ('$'
# 'E').  A handle the client gives that could name a host object, or a
# short reply, is error 86; a refusal is the client's code; a client that
# goes away mid-request ends oru cleanly.
import os
import struct
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, attached, can, check, goes_away_during  # noqa: E402

tclient.NO_REPLY.add((ord('Y'), ord('-')))
tclient.NO_REPLY.add((ord('Y'), ord('W')))


def i32(v):
    return struct.pack(">i", v)


log = []
handles = {"Grid": -40001, "Forms.Button": -40002, "Bad": 150000, "None": 0}


def new_obj(r):
    cls, params = r.items("ss")
    log.append(("Ya", cls.decode(), params.decode()))
    if cls == b"Refused":
        return can(90)
    if cls == b"Short":
        return b"\x00\x01"
    return i32(handles[cls.decode()])


def create(r):
    name, x, y, w, h = r.items("sllll")
    log.append(("Y$", name.decode(), x, y, w, h))
    if name == b"":
        return i32(0 if x == 101 else -40003)
    return i32(handles[name.decode()])


refs = {"n": 1}


def refcnt(r):
    op, h = r.items("cl")
    log.append(("Y#", chr(op), h))
    refs["n"] += {"+": 1, "-": -1, "?": 0}[chr(op)]
    return i32(refs["n"])


def prop(r):
    kind, oid, path = r.items("cls")
    log.append(("YR", chr(kind), oid, path.decode()))
    return b"12" if chr(kind) == "N" else b"v:" + path


def execute(r):
    (text,) = r.items("s")
    log.append(("$E", text.decode()))
    return b""


c = attached('20 X$=$00FF$; H=NEW("[vrl]Grid",1,"ab",X$,""); PRINT "H ",H',
             '30 PRINT "R ",H\'ROWS,H\'TITLE$,H\'ADD(2,"x"); H\'TITLE$="new"',
             '40 PRINT "REF ",REF(ADD H),REF(DROP H),REF(H)',
             '50 DEF OBJECT B,@(100,200,3000,400),"[vrl]Forms.Button"; PRINT "B ",B',
             '60 C=101; DEF OBJECT C; D=102; DEF OBJECT D; PRINT "C ",C,D',
             '70 ON EVENT "Click" FROM H PREINPUT 77; ON EVENT FROM H PROCESS B',
             '80 ON EVENT "Click" FROM H REMOVE',
             '90 SETERR 900; ON EVENT FROM H PROCESS 5',
             '100 SETERR 910; ON EVENT "a""b" FROM H PREINPUT 1',
             '110 SETERR 920; DEF OBJECT E,"[vrl]"',
             '120 SETERR 930; Z=NEW("[vrl]Refused")',
             '130 SETERR 940; Z=NEW("[vrl]Short")',
             '140 SETERR 950; Z=NEW("[vrl]Bad")',
             '150 SETERR 960; Z=NEW("[vrl]None")',
             '160 SETERR 0; DROP OBJECT H; DROP OBJECT B; PRINT "FIN"+"ISHED"; END',
             '900 PRINT "E90 ",ERR; GOTO 100',
             '910 PRINT "E91 ",ERR; GOTO 110',
             '920 PRINT "E92 ",ERR; GOTO 120',
             '930 PRINT "E93 ",ERR; GOTO 130',
             '940 PRINT "E94 ",ERR; GOTO 140',
             '950 PRINT "E95 ",ERR; GOTO 150',
             '960 PRINT "E96 ",ERR; GOTO 160',
             handlers={"Ya": new_obj, "Y$": create, "Y#": refcnt, "YR": prop, "$E": execute},
             ready="FINISHED")
out = c.text()
for want in ["H -40001", "R  12v:TITLE$ 12", "REF  2 1 1", "B -40002", "C  101-40003",
             "E90  95", "E91  10", "E92  10", "E93  90", "E94  86", "E95  86", "E96  90"]:
    check(want in out, "missing %r in %r" % (want, out[-600:]), c)
want_log = [
    ("Ya", "Grid", '1,"ab",$00FF$,$$'),
    ("YR", "N", -40001, "ROWS"), ("YR", "S", -40001, "TITLE$"), ("YR", "N", -40001, 'ADD(2,"x")'),
    ("Y#", "+", -40001), ("Y#", "-", -40001), ("Y#", "?", -40001),
    ("Y$", "Forms.Button", 100, 200, 3000, 400),
    ("Y$", "", 101, 0, -100, -100), ("Y$", "", 102, 0, -100, -100),
    ("$E", 'ON EVENT "Click" FROM -40001 PREINPUT 77'), ("$E", "ON EVENT FROM -40001 PROCESS -40002"),
    ("$E", 'ON EVENT "Click" FROM -40001 PREINPUT 0'),
    ("Ya", "Refused", ""), ("Ya", "Short", ""), ("Ya", "Bad", ""), ("Ya", "None", ""),
]
check(log[:len(want_log)] == want_log, "requests %r" % log, c)
writes = [r.items("clss") for r in c.requests if r.key() == "YW"]
check(writes == [[ord('S'), -40001, b"TITLE$", b"new"]], "property write %r" % writes, c)
drops = [r.items("l") for r in c.requests if r.key() == "Y-"]
check(drops == [[-40001], [-40002]], "drops %r" % drops, c)
c.finish()
c.remove()

# An array argument of NEW goes to the client first and is removed after
# the request, whatever it answered; '/' before an argument is "*".
tclient.NO_REPLY.add((ord('$'), ord('E')))
log.clear()
c = attached('20 DIM A[1]; A[1]=5; H=NEW("[vrl]Grid",/,A[ALL]); PRINT "H ",H',
             '30 SETERR 40; H=NEW("[vrl]Refused",A[ALL])',
             '40 PRINT "FIN"+"ISHED"; END',
             handlers={"Ya": new_obj}, ready="FINISHED")
sent = [(r.key(), r.payload) for r in c.requests if r.key() in ("$E", "Ya")]
check([k for k, _ in sent] == ["$E", "Ya", "$E", "$E", "Ya", "$E"], "array requests %r" % sent, c)
check(sent[0][1].endswith(b"DIM _1[0:1,0:0,0:0];_1[1,0,0]=5") and sent[2][1].endswith(b"DIM _1[0]")
      and sent[5][1].endswith(b"DIM _1[0]"), "array statements %r" % sent, c)
check(log == [("Ya", "Grid", "*,_1[ALL]"), ("Ya", "Refused", "_1[ALL]")], "NEW requests %r" % log, c)
c.finish()
c.remove()
tclient.NO_REPLY.discard((ord('$'), ord('E')))

# No client attached: NEW of a "[vrl]" class is error 90, DEF OBJECT of one
# error 99 (the control layer), a negative handle in ON EVENT error 95,
# REF( and DROP OBJECT of one error 95.
c = Client()
c.lines('10 SETERR 100; X=NEW("[vrl]Grid")', '11 SETERR 110; DEF OBJECT Y,"[vrl]Grid"',
        '12 SETERR 120; ON EVENT FROM -40001 PROCESS -40002', '13 SETERR 130; Q=REF(ADD -40001)',
        '14 SETERR 140; DROP OBJECT -40001', '15 SETERR 0; PRINT "FIN"+"ISHED"; END',
        '100 PRINT "N ",ERR; GOTO 11', '110 PRINT "D ",ERR; GOTO 12', '120 PRINT "O ",ERR; GOTO 13',
        '130 PRINT "R ",ERR; GOTO 14', '140 PRINT "X ",ERR; GOTO 15', "RUN")
check(c.wait_text("FINISHED", 10), "no end", c)
out = c.text()
for want in ["N  90", "D  99", "O  95", "R  95", "X  95"]:
    check(want in out, "without a client: missing %r in %r" % (want, out), c)
check(not c.requests, "requests without a client: %r" % c.requests, c)
c.finish()
c.remove()

# The client goes away while NEW awaits its handle: oru ends, no crash.
goes_away_during("Ya", '20 H=NEW("[vrl]Grid")')

# A client that stops answering while DEF OBJECT awaits its handle: with a
# keep-alive of 2 seconds the host asks with ENQ, gives the link up, and the
# process ends instead of waiting.
c = Client(level=12, ini="[Config]\nKeepAliveSeconds=2\n")


def silent(r):
    c.silent = True
    return False


c.handlers["Y$"] = silent
c.lines("10 DEFTTY F (0)80,25", '20 DEF OBJECT B,"[vrl]Forms.Button"', "RUN")
t0 = time.time()
check(c.ended(20), "a silent client kept oru waiting", c)
check(time.time() - t0 < 15, "the keep-alive took %.1f s" % (time.time() - t0), c)
check(c.enq_seen >= 1, "no ENQ was sent", c)
c.remove()
print("ok")
