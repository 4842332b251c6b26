# Client channels (kind 13) over the console stream: OPEN of a "[vrl]" name,
# WRITE, READ with KEY=, the DOM= and END= statuses, PRINT then WRITE, key
# queries, CLOSE; the items of each request as the client receives them.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check, status  # noqa: E402

c = Client(level=12)


def read(r):
    handle, kind, op, key, index, kno = r.items("iccsli")
    if key == b"K1":
        return status(-1) + b"REC-K1"
    if key == b"K2":
        return status(11)
    if key == b"BUSY":
        return status(0)
    if key == b"E46":
        return status(46)
    return status(2)


c.handlers["FO"] = lambda r: struct.pack(">HH", 7, 256)
c.handlers["FW"] = lambda r: status(-1)
c.handlers["FR"] = read
c.handlers["FK"] = lambda r: status(-1) + (struct.pack(">i", 4242) if r.items("icc*")[2] in (ord('I'),) else b"KEYX")
c.handlers["F-"] = lambda r: status(-1)
c.lines('1 OPEN (2)"[vrl]early"',
        "10 DEFTTY F (0)80,25",
        '20 OPEN (1,OPT="SHARE")"[vrl]c:\\data\\cust.txt"',
        '30 WRITE (1)"REC1"',
        '40 READ (1,KEY="K1")A$',
        '50 PRINT "A=",A$',
        '60 READ (1,KEY="K2",DOM=200)A$',
        '70 READ (1,END=210)A$',
        '80 PRINT (1)"PRINTED",',
        '85 WRITE (1)"W"',
        '90 PRINT "KEY=",KEY(1)," IND=",IND(1)',
        '92 REMOVE (1,KEY="R")',
        '94 SETERR 220',
        '95 READ (1,KEY="E46")A$',
        '96 READ (1,KEY="BUSY",ERR=230)A$',
        '100 CLOSE (1)',
        '110 PRINT "CLOSED"+"!"',
        '120 END',
        '200 PRINT "DOM"+"!"; GOTO 70',
        '210 PRINT "END"+"!"; GOTO 80',
        '220 PRINT "ERR=",ERR; GOTO 96',
        '230 PRINT "ERR=",ERR; GOTO 100',
        "RUN 1", "RUN 10")
check(c.wait_text("CLOSED!"), "program did not end", c)
t = c.text()
check("A=REC-K1" in t, "READ KEY= record", c)
check("DOM!" in t and "END!" in t, "DOM=/END= branches", c)
check("KEY=KEYX IND= 4242" in t, "key queries: %r" % t, c)
check("ERR= 46" in t and "ERR= 0" in t, "client status as error numbers: %r" % t, c)
check("File not found" in t, "OPEN of [vrl] without a client", c)

reqs = [r for r in c.requests if r.major == ord('F')]
keys = [r.key() for r in reqs]
check(keys[0] == "FO", "first client request: %r" % keys, c)
mode, binary, name, opt = reqs[0].items("ciss")
check(mode == ord(' ') and binary == 0 and name == b"c:\\data\\cust.txt" and opt == b"SHARE", "open items: %r" % reqs[0].items("ciss"), c)
w = reqs[1]
check(w.key() == "FW" and w.items("icc" "sls") == [7, ord(" "), ord(" "), None, -1, b"REC1\x8a"], "write items: %r" % w.payload, c)
r1 = reqs[2]
check(r1.items("icc" "sl" "i") == [7, ord('K'), ord(' '), b"K1", -1, -1], "read items: %r" % r1.payload, c)
# PRINT then WRITE: the printed bytes are the record; no separate flush.
wprint = [r for r in reqs if r.key() == "FW"][1]
check(wprint.items("iccsls")[5] == b"PRINTEDW\x8a", "PRINT then WRITE record: %r" % wprint.payload, c)
check("Fp" not in keys[:keys.index("FC")], "a flush was sent: %r" % keys, c)
check(keys[-1] == "FC" and reqs[-1].items("i") == [7], "close: %r" % keys, c)
c.finish()
c.remove()
print("ok")
