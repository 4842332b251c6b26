# The customer lookup program of the terminal tests, unchanged, run on the
# thin client: its list-box requests are recorded and compared with the
# expected list, the client's choice comes back through READ and the
# program shows that customer.
import os
import struct
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, check  # noqa: E402

for minor in "$=G":
    tclient.NO_REPLY.add((ord('L'), ord(minor)))

here = os.path.dirname(os.path.abspath(__file__))
program = open(os.path.join(here, "..", "terminal", "lookup.bas")).read().splitlines()
work = tempfile.mkdtemp()
c = Client(level=12, caps=2, cwd=work)
chosen = iter([b"ALLEN", b"ARNOLD"])
c.handlers["LR"] = lambda r: b"\x0d" + struct.pack(">i", 0) + next(chosen)
c.lines(*program)
c.lines("DEFTTY F (0)80,25")
check(c.wait_request("fn"), "no handshake", c)
c.type("RUN\r")
check(c.wait_text("Name begins with:"), "no search window", c)
c.type("A\r")
check(c.wait_request("LG"), "the list box does not take the focus", c)
c.type("\r")
check(c.wait_text("Balance: 80.50", 15), "the detail of ALLEN is not shown", c)
c.type("\r")
c.type("\r")
check(c.wait_text("Last customer seen: ARNOLD", 15), "the second choice is not shown", c)
got = [(r.key(), r.payload) for r in c.requests if r.key()[0] == "L"]
want = [
    ("L$", struct.pack(">hhhhh", 201, 0, 0, 3800, 800) + b"\x00\x00\x00\x00\x00\x8a" + b"\x00\x00" * 5
     + struct.pack(">hh", 0, 0) + b"\x00\x00" * 2),  # no further options
    ("L=", struct.pack(">h", 201) + b"\x00\x1cADAMS,ALLEN,ANDERSON,ARNOLD,"),
    ("LG", struct.pack(">h", 201)),
    ("LR", struct.pack(">h", 201) + b" "),
    ("LG", struct.pack(">h", 201)),
    ("LR", struct.pack(">h", 201) + b" "),
]
check(got == want, "list-box requests:\n%r\nwanted:\n%r" % (got, want), c)
c.finish()
c.remove()
print("ok")
