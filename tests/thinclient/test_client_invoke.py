# INVOKE and EXECUTE of "[vrl]" and "[lcl]" texts with a client attached: the
# command goes to the client ('$' 'I': str command, int wait, two ints of
# forms), its reply awaited only with WAIT; an EXECUTE "[vrl]" text runs on
# the client ('$' 'E', awaited); a refusal of the client is its error; without
# a client "[lcl]" runs on the host.
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, can, check  # noqa: E402


def invoke(r):
    command, wait, second, third = r.items("siii")
    if command == b"refuse":
        return can(47)
    return b"" if wait else False   # no answer for a command that is not awaited


def execute(r):
    text = r.items("s")[0]
    return can(20) if text == b"BAD" else b""


c = Client(level=12)
c.handlers.update({"$I": invoke, "$E": execute})
c.lines('1 INVOKE "[lcl]echo host-ran"; END',
        "10 DEFTTY F (0)80,25",
        '20 INVOKE "[vrl]notepad x.txt"',
        '30 INVOKE WAIT "[lcl]calc"',
        '40 EXECUTE "[vrl]PRINT 1"',
        '50 INVOKE WAIT "[vrl]refuse",ERR=100',
        '60 EXECUTE "[vrl]BAD",ERR=110',
        '70 PRINT "DO"+"NE"; END',
        '100 PRINT "E50 ",ERR; GOTO 60',
        '110 PRINT "E60 ",ERR; GOTO 70',
        "RUN 1", "RUN 10")
check(c.wait_text("DONE"), "program did not end", c)
t = c.text()
check("host-ran" in t, "[lcl] without a client runs on the host: %r" % t, c)
check(re.search(r"E50 +47", t), "refused INVOKE: %r" % t, c)
check(re.search(r"E60 +20", t), "refused EXECUTE: %r" % t, c)
inv = [r.items("siii") for r in c.requests if r.key() == "$I"]
check(inv[:2] == [[b"notepad x.txt", 0, 0, 0], [b"calc", 1, 0, 0]], "INVOKE items: %r" % inv, c)
ex = [r.items("s")[0] for r in c.requests if r.key() == "$E"]
check(ex[:1] == [b"PRINT 1"], "EXECUTE items: %r" % ex, c)
c.finish()
c.remove()
print("ok")
