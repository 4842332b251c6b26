# The client's session across statements: DEFTTY F run again on the client's
# console makes the handshake's first request only (the connection's
# requests are not made twice); KNO= on a client channel goes to the client,
# which checks its own keys.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import attached, check  # noqa: E402

c = attached("20 DEFTTY F (0)80,25", '30 OPEN (1)"[vrl]abc"', '40 READ (1,KEY="N",KNO=2,ERR=60)A$',
             '50 PRINT "A"+"=",A$; END', '60 PRINT "E"+"=",ERR', ready="\x1bLF-:",
             handlers={"FO": lambda r: struct.pack(">HH", 6, 128),
                       "FR": lambda r: struct.pack(">h", -1) + b"rec"})
keys = c.keys()
first = keys[:keys.index("FO")]
check(first.count("* ") == 2, "the handshake's request: %r" % first, c)
for k in (" +", "fn"):
    check(first.count(k) == 1, "%r sent again by the second DEFTTY F: %r" % (k, first), c)
reads = [r for r in c.requests if r.key() == "FR"]
check(len(reads) == 1 and reads[0].payload.endswith(struct.pack(">h", 2)), "the read request: %r" % reads, c)
check("A=rec" in c.text(), "the record: %r" % c.text()[-100:], c)
c.finish()
c.remove()
print("ok")
