# The line-feed and form-feed delays of client channels: each 'LF' sent on
# a kind-13 channel adds parameter DL, each 'FF' parameter DF (hundredths of
# a second) to a wait served before the next statement.  Observed by the
# client: the request after the feeds arrives no sooner than their sum
# after the one before them (a lower bound only: load can only lengthen it),
# and the feeds themselves reach the client as mnemonics.
import os
import struct
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402

class Stamped(list):
    """The request list, each request stamped with its arrival."""

    def append(self, r):
        r.at = time.monotonic()
        super().append(r)


def run(dl, df):
    c = Client(level=12)
    c.requests = Stamped()
    c.handlers["FO"] = lambda r: struct.pack(">HH", 7, 256)
    c.lines("10 DEFTTY F (0)80,25",
            "20 SET_PARAM 'DL'=%d; SET_PARAM 'DF'=%d" % (dl, df),
            '30 OPEN (1)"[vrl]LPT1"',
            "40 PRINT (1)'LF','LF','FF',",
            '50 PRINT (1)"A",',
            "60 CLOSE (1)",
            '70 PRINT "DO"+"NE"; END',
            "RUN")
    check(c.wait_text("DONE"), "the program did not end: %r" % bytes(c.output), c)
    c.finish()
    c.remove()
    at = {r.key(): r for r in c.requests if r.key() in ("FO", "Fp")}
    check(len(at) == 2, "requests missing: %r" % c.keys(), c)
    return c, at["Fp"].at - at["FO"].at, at["Fp"].items("is")[1]


# 2 x 40 + 80 hundredths = 1.6 seconds between the OPEN and what follows the
# feeds; the output keeps the feeds in order.
c, waited, text = run(40, 80)
check(waited >= 1.55, "the delays were not waited: %.3f s" % waited, c)
check(text == b"\x1bLF\x1bLF\x1bFFA", "feeds sent: %r" % text, c)

# Parameters of 1 make a wait of nothing; the output is the same.
c, waited, text = run(1, 1)
check(text == b"\x1bLF\x1bLF\x1bFFA", "feeds sent: %r" % text, c)
