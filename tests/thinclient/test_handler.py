# One program, two back ends: with the character-terminal handler of the
# library named (DEFCTL OBJECT), its list box is drawn by the handler's
# objects as console output and no list-box request reaches the client;
# with the handler suspended the same statements become the client's
# requests.
import os
import struct
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, check  # noqa: E402

for minor in "$=W":
    tclient.NO_REPLY.add((ord('L'), ord(minor)))

work = tempfile.mkdtemp()
c = Client(level=12, caps=2, cwd=work)
lib = os.path.abspath(sys.argv[2])
c.lines('LOAD "%s/_ext/ttyctl.orc"' % lib, 'SAVE "TTYCTL.orc"', 'LOAD "%s/_ext/ttylbox.orc"' % lib,
        'SAVE "TTYLBOX.orc"', 'DELETE',
        '10 H=NEW("TTYCTL"); DEFCTL OBJECT =H; GOSUB 100',
        '20 DEFCTL OBJECT =DISABLE; GOSUB 100',
        '30 PRINT "FINISHED"; END',
        '100 LIST_BOX 101,8,0,12,3',
        '110 LIST_BOX 101,LOAD,"apple,banana,cherry,"',
        '120 LIST_BOX 101,WRITE,3',
        '130 RETURN',
        'DEFTTY F (0)80,25')
check(c.wait_request("fn"), "no handshake", c)
c.type("RUN\r")
check(c.wait_text("FINISHED\x1b", 15), "the program did not end", c)
first = c.text().find("cherry")
lreq = [r for r in c.requests if r.key()[0] == "L"]
check(first >= 0, "the handler drew nothing", c)
check([r.key() for r in lreq] == ["L$", "L=", "LW"], "requests: %r" % [r.key() for r in lreq], c)
check(lreq[2].payload == struct.pack(">h", 101) + b"N" + struct.pack(">i", 3), "WRITE: %r" % lreq[2].payload, c)
c.finish()
c.remove()
print("ok")
