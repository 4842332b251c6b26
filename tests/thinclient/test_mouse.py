# MSE on a thin-client console: the client answers with its own record (the
# connect handshake's request '*' ' ', whose 32-byte reply carries the mouse
# state); a control handler implementing GETMSE$ answers first, and its own
# MSE inside that method still reaches the client.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check, hello  # noqa: E402

c = Client(level=12, caps=2)
asked = [0]


def handshake(r):
    asked[0] += 1
    rec = bytearray(hello(12))
    rec[0], rec[1], rec[2] = 1, 7, 3 + asked[0]  # pressed, column 7, a line that changes per ask
    return bytes(rec)


c.handlers["* "] = handshake
c.lines('10 DEF CLASS "HM"',
        '20 FUNCTION GETMSE$()',
        '30 X$=MSE',
        '40 RETURN "handler saw line"+STR(ASC(MID(X$,3,1)))',
        '50 FUNCTION END',
        '60 END DEF',
        'SAVE "HM.orc"', 'DELETE',
        '10 X$=MSE; PRINT "len",LEN(X$)," state",ASC(X$)," col",ASC(MID(X$,2,1))," line",ASC(MID(X$,3,1))',
        '20 H=NEW("HM"); DEFCTL OBJECT =H',
        '30 PRINT MSE',
        '40 DEFCTL OBJECT =DISABLE; PRINT "line",ASC(MID(MSE,3,1))',
        '50 PRINT "FINISHED"; END',
        'DEFTTY F (0)80,25')
check(c.wait_request("fn"), "no handshake", c)
c.type("RUN\r")
check(c.wait_text("FINISHED\x1b", 15), "the program did not end", c)
t = c.text()
check("len 32 state 1 col 7 line 5" in t, "the client's record: %r" % t, c)
check("handler saw line6" in t, "the handler's answer: %r" % t, c)
check("line 7" in t, "the client after the handler was suspended: %r" % t, c)
check(asked[0] == 4, "handshake requests: %d" % asked[0], c)
c.finish()
c.remove()
print("ok")
