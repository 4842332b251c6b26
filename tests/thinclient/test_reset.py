# START resets the client session's host state: the declarations of the
# property cache go (a property declared before START is asked of the client
# on every read after it), and the program servers are closed (their
# connections end; the same name can be defined again).
import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402
from tcpserver import ProgramServer  # noqa: E402

asked = [0]


def read(r):
    asked[0] += 1
    return b"v%d" % asked[0]


old = ProgramServer()
new = ProgramServer()
c = Client(level=12)
c.handlers["YR"] = read
c.lines("10 DEFTTY F (0)80,25",
        "20 SET_PARAM '+H'",
        '30 ADD SERVER "Text"',
        '35 PROCESS "srv"="[tcp]127.0.0.1;%d"' % old.port,
        "40 C=101; A$=C'TEXT$; B$=C'TEXT$; PRINT \"R1 \",A$,\" \",B$",
        "RUN")
check(c.wait_text("R1 v"), "first run did not end", c)
check("R1 v1 v1" in c.text(), "a declared property was asked twice: %r" % c.text(), c)
c.lines("START")
check(c.until(lambda: c.text().endswith("->"), 15), "no prompt after START", c)
time.sleep(0.3)
c.lines("10 DEFTTY F (0)80,25",
        "20 SET_PARAM '+H'",
        '35 PROCESS "srv"="[tcp]127.0.0.1;%d",ERR=90' % new.port,
        "40 C=101; A$=C'TEXT$; B$=C'TEXT$; PRINT \"R2 \",A$,\" \",B$",
        '50 END',
        '90 PRINT "E35 ",ERR; GOTO 40',
        "RUN")
check(c.wait_text("R2 v"), "second run did not end", c)
t = c.text()
# The declaration went with START: both reads go to the client.
check("R2 v2 v3" in t, "the property cache kept its declarations over START: %r" % t, c)
check(not re.search(r"E35 +\d", t), "the program server outlived START: %r" % t, c)
check(old.done.wait(10), "the old server's connection was not closed", c)
c.finish()
c.remove()
old.close()
new.close()
print("ok")
