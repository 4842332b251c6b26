# Operations on client channels (kind 13) beyond records: IOL=* and IOL=*1
# (the list comes with the open reply), LOCK and UNLOCK, MNEMONIC, DEFCTL,
# DPRT (the client's size asked once), RNO(, FIN( with and without an item,
# FIB(, FID(, positions in the output; each request's items as the client
# receives them.  Then the bad answers: a broken I/O list (error 84, the
# handle closed again), a refused lock (the client's code), a size reply too
# short (86), and a client that goes away while a request waits.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, check, goes_away_during, status  # noqa: E402

tclient.NO_REPLY.add((ord('F'), ord('d')))

STR_VAR, NUM_VAR, COMMA, IOLIST, EOL = 2, 1, 37, 185, 255
# The compiled list A$,B
ITEMS = bytes([STR_VAR, 2, ord('A'), ord('$'), COMMA, NUM_VAR, 1, ord('B')])
LIST_BLOCK = b"\x00\x00" + bytes([IOLIST]) + ITEMS + bytes([EOL])


def opened(r):
    name = r.items("ciss")[2]
    if name == b"badlist":
        # A list whose name item runs past the end of the block.
        return struct.pack(">HH", 9, 256) + b"\x00\x00" + bytes([IOLIST, STR_VAR, 40, ord('A'), EOL])
    if r.minor in (ord('o'), ord('^')):
        return struct.pack(">HH", 5, 256) + LIST_BLOCK
    return struct.pack(">HH", 6, 128)


def locked(r):
    return tclient.can(0) if locked.refuse else b""


locked.refuse = False


def info(r):
    letter = chr(r.minor)
    if letter == 'n':
        handle, *rest = r.items("i" + ("s" if len(r.payload) > 2 else ""))
        return b"FIN" + (b":" + rest[0] if rest else b"")
    if letter == '@':
        return b"\x00\x00\x00\x00" + struct.pack(">hh", 132, 60)
    return b"INFO-" + letter.encode()


def keyinf(r):
    handle, kind, op, key, index, kno = r.items("iccsli")
    if op == ord('R'):
        return status(-1) + struct.pack(">i", 77)
    return status(-1) + b"K"


c = Client(level=12)
c.handlers.update({"FO": opened, "Fo": opened, "F^": opened, "FL": locked, "FU": lambda r: b"",
                   "FM": lambda r: b"", "fn": info, "fb": info, "fi": info, "f@": info, "FK": keyinf,
                   "O ": lambda r: b"4711" if r.items("i") == [0] else b"?",
                   "FR": lambda r: status(-1) + b"XY\x8a12\x8a", "FW": lambda r: status(-1)})
c.lines("10 DEFTTY F (0)80,25",
        '20 OPEN (1,IOL=*)"[vrl]withlist"',
        '30 READ (1)',
        '40 PRINT "LIST ",A$,B',
        '50 OPEN (2,IOL=*1)"[vrl]chanlist"',
        '60 READ (2)',
        '70 PRINT "CHAN ",A$,B',
        '80 OPEN (3)"[vrl]plain"',
        '90 LOCK (3); UNLOCK (3)',
        "100 MNEMONIC (3)'BR',\"<b>\",'ER',\"\"",
        '110 DEFCTL (3)"ab",12; DEFCTL (3)-5,7; DEFCTL (3)"ab",/',
        '120 SETERR 500; DEFCTL F (3)"x",1',
        '130 PRINT "SIZE ",MXC(3)," ",MXL(3); DPRT (3)0,0; DPRT (3)40,0; PRINT "NOW ",MXC(3)," ",MXL(3)',
        '140 PRINT "RNO ",RNO(3)',
        '150 PRINT FIN(3)," ",FIN(3,"COLOR")," ",FIB(3)," ",FID(3)," ",FIN(0,"HWND")',
        "160 PRINT (3)@(5,2),\"AT\",@(9),\"X\",'CR',; PRINT (3)$1B6D6E0703414243$,",
        '170 WRITE (3)"W"',
        '180 OPEN (4,IOL=*,ERR=510)"[vrl]badlist"',
        '190 PRINT "DONE"+"!"; END',
        '500 SETERR 0; PRINT "E120 ",ERR; GOTO 130',
        '510 PRINT "E180 ",ERR; GOTO 190',
        "RUN")
check(c.wait_text("DONE!"), "program did not end", c)
t = c.text()
check("LIST XY 12" in t, "IOL=* list not used: %r" % t, c)
check("CHAN XY 12" in t, "IOL=*1 list not used: %r" % t, c)
check("E120  99" in t, "DEFCTL F on a client channel: %r" % t, c)
check("RNO  77" in t, "RNO(: %r" % t, c)
check("FIN FIN:COLOR INFO-b INFO-i 4711" in t, "FIN(/FIB(/FID(: %r" % t, c)
check("E180  84" in t, "broken I/O list: %r" % t, c)

# (the handshake's 'f' 'n' names handle 0)
reqs = [r for r in c.requests if chr(r.major) in "Ff" and r.payload[:2] != b"\x00\x00"]
keys = [r.key() for r in reqs]
check(keys[0] == "Fo" and keys[2] == "F^", "open minors: %r" % keys, c)
for k in ("FL", "FU"):
    r = [x for x in reqs if x.key() == k][0]
    check(r.items("i") == [6], "%s items: %r" % (k, r.payload), c)
m = [r.items("iis") for r in reqs if r.key() == "FM"]
check(m == [[6, 0x4252, b"<b>"], [6, 0x4552, b""]], "MNEMONIC requests: %r" % m, c)
d = [r.items("iscI".replace("I", "i")) for r in reqs if r.key() == "Fd"]
check(d == [[6, b"ab", ord('+'), 12], [6, b"-5", ord('+'), 7], [6, b"ab", ord('-'), 0]], "DEFCTL requests: %r" % d, c)
sizes = [r for r in reqs if r.key() == "f@"]
check(len(sizes) == 1 and sizes[0].items("i") == [6], "size asked %d times" % len(sizes), c)
check("SIZE  131  59" in t and "NOW  40  59" in t, "channel size from the client: %r" % t, c)
fins = [r.items("is" if len(r.payload) > 2 else "i") for r in reqs if r.key() == "fn"]
check(fins == [[6], [6, b"COLOR"]], "FIN( requests: %r" % fins, c)
# Positions travel in the output: ESC 2 col line, ESC 1 col.
w = [r for r in reqs if r.key() == "FW"][0]
rec = w.items("iccsls")[5]
check(rec == b"\x1b\x02\x05\x02AT\x1b\x01\x09X\x1bCR\x1bmn\x07\x03ABCW\x8a",
      "positions and a long mnemonic in the record: %r" % rec, c)
# The handle of the open whose list was broken is closed again.
bad = keys.index("Fo", 1)
check(keys[bad + 1] == "FC" and reqs[bad + 1].items("i") == [9], "broken list: handle not closed: %r" % keys, c)
c.finish()
c.remove()

# A refused lock raises the client's code; a size reply too short is 86.
locked.refuse = True
c = Client(level=12)
c.handlers.update({"FO": opened, "FL": locked, "f@": lambda r: b"\x00\x01"})
c.lines("10 DEFTTY F (0)80,25",
        '20 OPEN (3)"[vrl]plain"',
        '30 LOCK (3,ERR=100)',
        '40 DPRT (3,ERR=110)0,0',
        '50 PRINT "END"+"ED"; END',
        '100 PRINT "L ",ERR; GOTO 40',
        '110 PRINT "S ",ERR; GOTO 50',
        "RUN")
check(c.wait_text("ENDED"), "program did not end", c)
t = c.text()
check("L  0" in t, "refused lock: %r" % t, c)
check("S  86" in t, "short size reply: %r" % t, c)
c.finish()
c.remove()

# A client that goes away while a mnemonic request waits: oru ends cleanly.
goes_away_during("FM", '20 OPEN (3)"[vrl]plain"', "30 MNEMONIC (3)'BR',\"<b>\"", handlers={"FO": opened})
print("ok")
