# Events of objects kept on the thin client.  ON EVENT "name" FROM a client
# object PREINPUT n hands the statement to the client; when the event
# happens there the client plays it on the console stream as 16 'E' and the
# value (2 bytes, signed).  Played while a reply is awaited (or between
# statements), the value waits on the pre-input queue and the next INPUT
# ends with it at once; played while an INPUT waits, it ends that INPUT
# with what was typed so far.  A value outside -32000..32000 is no event.
#
# The 'DO' check: after 'DO' on the thin-client console every client object
# attached to the current window is asked about ('O' ' ' with its handle);
# one the client no longer knows (it refuses) loses its attachment, whose
# reference goes back to the client ('Y' '#' '-'); local objects attached
# to the window are not asked about.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, can, check, reply  # noqa: E402


def event(value):
    return b"\x16E" + struct.pack(">h", value)


def i32(v):
    return struct.pack(">i", v)


c = Client(level=12, caps=2)
c.handlers["Ya"] = lambda r: i32(-40001)
# The event comes right before the reply to the ON EVENT statement itself.
c.handlers["$E"] = lambda r: event(77) + reply(b"")
c.lines("10 DEFTTY F (0)80,25",
        '20 H=NEW("[vrl]Grid"); ON EVENT "Click" FROM H PREINPUT 77',
        '30 INPUT "Q1",A$; PRINT "A ",CTL,"|",A$,"|"',
        '40 INPUT "Q2",B$; PRINT "B ",CTL,"|",B$,"|"',
        '50 INPUT "Q3",C$; PRINT "C ",CTL,"|",C$,"|"',
        '60 PRINT "FIN"+"ISHED"', "RUN")
check(c.wait_text("A  77||", 10), "the event did not end the next INPUT: %r" % c.text()[-200:], c)
check(c.wait_text("Q2", 10), "no second INPUT", c)
c.type("ab")
c.send(event(78))
check(c.wait_text("B  78|ab|", 10), "the event did not end the waiting INPUT: %r" % c.text()[-200:], c)
check(c.wait_text("Q3", 10), "no third INPUT", c)
c.send(event(32767) + event(-32001))  # no events: the values lie outside the PREINPUT range
c.type("zz\r")
check(c.wait_text("C  0|zz|", 10), "an out-of-range event or a plain line: %r" % c.text()[-200:], c)
check(c.wait_text("FINISHED", 10), "no end", c)
texts = [r.items("s")[0] for r in c.requests if r.key() == "$E"]
check(texts == [b'ON EVENT "Click" FROM -40001 PREINPUT 77'], "statements %r" % texts, c)
c.finish()
c.remove()

# The 'DO' check.
asked = []
gone = {-40002}


def describe(r):
    (oid,) = r.items("i")
    asked.append(oid)
    if oid in gone:
        return can(65)
    return b"C" + b"\x00" * 63


counts = []


def refcnt(r):
    op, h = r.items("cl")
    counts.append((chr(op), h))
    return i32(0)


news = iter([-40001, -40002, -40003])
c = Client(level=12, caps=2)
c.handlers["Ya"] = lambda r: i32(next(news))
c.handlers["O "] = describe
c.handlers["Y#"] = refcnt
c.lines("10 DEFTTY F (0)80,25",
        '20 DEF CLASS "LOC"', '30 END DEF',
        '40 A=NEW("[vrl]Grid" FOR 0); B=NEW("[vrl]Grid" FOR 0); L=NEW("LOC" FOR 0)',
        '50 C=NEW("[vrl]Grid" FOR FILE 0)',
        "60 PRINT 'DO',\"ONE\"",
        "70 PRINT 'DO',\"TWO\"",
        '80 PRINT "FIN"+"ISHED"', "RUN")
check(c.wait_text("FINISHED", 10), "no end: %r" % c.text()[-300:], c)
# First 'DO': both client objects of window 0 are asked about; -40002 is
# gone and gives its reference back.  Second 'DO': only -40001 is left.
check(asked == [-40001, -40002, -40001], "'O' requests %r" % asked, c)
check(counts == [("-", -40002)], "references given back %r" % counts, c)
# The 'O' request goes out after the mnemonic itself.
keys = c.keys()
first_o = keys.index("O ")
check(any(b"\x1bDO" in r.payload for r in c.requests[:first_o] if r.major == ord('P')),
      "'DO' was not sent before the check: %r" % keys, c)
c.finish()
c.remove()

# A client without long integers cannot be asked about a handle beyond 16
# bits: such an attachment stays, and nothing is asked.
asked.clear()
counts.clear()
news = iter([-40002])
c = Client(level=12, caps=0)
c.handlers["Ya"] = lambda r: i32(next(news))
c.handlers["O "] = describe
c.handlers["Y#"] = refcnt
c.lines("10 DEFTTY F (0)80,25", '20 A=NEW("[vrl]Grid" FOR 0)', "30 PRINT 'DO',\"DONE\"", "RUN")
check(c.wait_text("DONE", 10), "no end", c)
check(asked == [] and counts == [], "asked %r, counts %r" % (asked, counts), c)
c.finish()
c.remove()
print("ok")
