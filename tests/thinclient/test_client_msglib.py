# Message libraries kept on the client: MESSAGE_LIB of "[vrl]" names opens
# client channels on the library channel; MSG( reads the key from them (a
# keyed read, 'F' 'R' with key kind 'K'), the first library in channel order
# first; a key the client has not (status 11) falls to the next library and
# then to the default template; DROP and POP close the client's handle; a
# library the client cannot open gives the client's error.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, can, check, status  # noqa: E402

handles = {b"first": 1, b"second": 2}
texts = {(1, b"K1"): b"one from first %1", (2, b"K1"): b"one from second", (2, b"K2"): b"two from second %2"}


def opened(r):
    name = r.items("ciss")[2]
    if name not in handles:
        return can(12)
    return struct.pack(">HH", handles[name], 512)


def read(r):
    handle, kind, op, key, index, kno = r.items("iccsli")
    if kind != ord('K'):
        return status(46)
    t = texts.get((handle, key))
    return status(-1) + key + b"\x8a" + t if t else status(11)


c = Client(level=12)
c.handlers.update({"FO": opened, "FR": read})
c.lines("10 DEFTTY F (0)80,25",
        '20 MESSAGE_LIB "[vrl]first"+$8A$+"[vrl]second"',
        '30 PRINT "A ",MSG("K1","x")',
        '40 PRINT "B ",MSG("K2","x","y")',
        '50 PRINT "C ",MSG("K3","x")',
        '60 MESSAGE_LIB DROP "[vrl]first"',
        '70 PRINT "D ",MSG("K1")',
        '80 MESSAGE_LIB POP',
        '90 PRINT "E ",MSG("K1","z")',
        '100 MESSAGE_LIB ADD "[vrl]missing",ERR=200',
        '110 PRINT "DO"+"NE"; END',
        '200 PRINT "F ",ERR; GOTO 110',
        "RUN")
check(c.wait_text("DONE"), "program did not end", c)
t = c.text()
check("A one from first x" in t, "first library first: %r" % t, c)
check("B two from second y" in t, "a key missing from the first library: %r" % t, c)
check("C K3:x" in t, "default template: %r" % t, c)
check("D one from second" in t, "after DROP: %r" % t, c)
check("E K1:z" in t, "after POP: %r" % t, c)
check("F  12" in t, "a library the client cannot open: %r" % t, c)
keys = [r.key() for r in c.requests if r.major == ord('F')]
opens = [r.items("ciss")[2] for r in c.requests if r.key() == "FO"]
# The list is opened from its last name to its first: "first" is current.
check(opens[:2] == [b"second", b"first"], "open order: %r" % opens, c)
closes = [r.items("i")[0] for r in c.requests if r.key() == "FC"]
check(closes[:2] == [1, 2], "DROP and POP closes: %r" % closes, c)
c.finish()
c.remove()
print("ok")
