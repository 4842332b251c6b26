# OBJ( on the thin client: OBJ(id) asks the client ('O' ' ' with the id as
# a 2-byte integer) and returns its reply as it came, zero bytes and all;
# OBJ(/id) asks for the other form ('O' 'g'); OBJ(id,"handle") reads the
# property "hwnd" of object id+1000000000 ('Y' 'R', numeric) and returns it
# as a 4-byte big-endian number, any case of the keyword; another keyword
# gives "" without a request; an id out of -32000..32767 is error 41 and
# nothing is sent; OBJ(LIST) lists the host's own objects, never asking.
# A reference to a client control or object (a handle below -32000) reads
# and writes its property on the client.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import attached, check  # noqa: E402

asked = []


def describe(r):
    (cid,) = struct.unpack(">h", r.payload[:2])
    asked.append((r.key(), cid))
    if cid == 0:
        return b"W" + b"\x00" * 63
    return b"C%d" % cid + b"\x00\x01\xff"


def prop(r):
    kind = r.payload[0:1]
    (oid,) = struct.unpack(">i", r.payload[1:5])
    path = r.payload[7:].decode()
    asked.append(("YR", oid, kind.decode(), path))
    if path == "hwnd":
        return b"%d" % (0x01020304 + (oid - 1000000000))
    return b"v-%s" % path.encode()


tclient.NO_REPLY.add((ord('Y'), ord('W')))
c = attached("20 D$=OBJ(101); PRINT \"D1 \",LEN(D$),\" \",HTA(D$)",
             "30 D$=OBJ(/-7); PRINT \"D2 \",HTA(D$)",
             "40 D$=OBJ(0); PRINT \"D3 \",LEN(D$),\" \",D$(1,1)",
             "50 D$=OBJ(5,\"HANDLE\"); PRINT \"H1 \",HTA(D$)",
             "60 D$=OBJ(6,\"handle\"); PRINT \"H2 \",HTA(D$)",
             "70 D$=OBJ(7,\"hwnd\"); PRINT \"H3 \",LEN(D$)",
             "80 SETERR 65002; D$=OBJ(40000); PRINT \"E1 \",ERR; D$=OBJ(-32001); PRINT \"E2 \",ERR; SETERR 0",
             "90 L$=OBJ(LIST); PRINT \"L \",LEN(L$)",
             "100 X=-40000; A$=X'CAPTION$; PRINT \"R1 \",A$; X'CAPTION$=\"new\"",
             "110 PRINT \"FIN\"+\"ISHED\"; END",
             handlers={"O ": describe, "Og": describe, "YR": prop}, ready="FINISHED")
out = c.text()
check("D1  7 433130310001FF" in out, "OBJ(101) did not return the client's reply as it came: %r" % out, c)
check("D2 432D370001FF" in out, "OBJ(/-7): %r" % out, c)
check("D3  64 W" in out, "OBJ(0): %r" % out, c)
check("H1 01020309" in out, "OBJ(5,\"HANDLE\") as a 4-byte number: %r" % out, c)
check("H2 0102030A" in out, "OBJ(6,\"handle\"): %r" % out, c)
check("H3  0" in out, "another keyword gives \"\": %r" % out, c)
check("E1  41" in out and "E2  41" in out, "ids out of range: %r" % out, c)
check("R1 v-CAPTION$" in out, "a client object's property read: %r" % out, c)
want = [("O ", 101), ("Og", -7), ("O ", 0),
        ("YR", 1000000005, "N", "hwnd"), ("YR", 1000000006, "N", "hwnd"),
        ("YR", -40000, "S", "CAPTION$")]
check(asked == want, "requests of OBJ( and the reference: %r" % asked, c)
wrote = [r.payload for r in c.requests if r.key() == "YW"]
check(len(wrote) == 1 and struct.unpack(">i", wrote[0][1:5])[0] == -40000 and b"CAPTION$" in wrote[0]
      and wrote[0].endswith(b"new"), "a client object's property write: %r" % wrote, c)
# OBJ(LIST) asks nothing of the client: no request after the reference's.
check(c.keys().count("O ") == 2 and c.keys().count("Og") == 1, "OBJ( requests: %r" % c.keys(), c)
c.finish()
c.remove()
print("ok")
