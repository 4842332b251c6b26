# The liveness check between statements: a program that computes without
# reading the keyboard still sees the client's break and keeps the link
# alive with ENQ; a WAIT is cut into slices that check the link.  Over a TCP
# console (LNSW to a connection), LNSW alone sends the client the end
# request and the console comes home.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import BREAK, Client, attached, check, come_home, over_tcp  # noqa: E402

LOOP = ["20 PRINT \"LOOP\"", "30 I=I+1", "40 GOTO 30"]

# The break reaches a program that never reads its keyboard.
c = attached(*LOOP, ready="LOOP\x1b")
c.send(BREAK)
check(c.until(lambda: b"ESCAPE" in c.output.upper() or b"0030" in c.output or b"0040" in c.output, 20),
      "the client's break did not stop a computing program", c)
c.remove()

# With a keep-alive of 2 seconds, a computing program sends ENQ on its own.
c = attached(*LOOP, ready="LOOP\x1b", ini="[Config]\nKeepAliveSeconds=2\n")
check(c.until(lambda: c.enq_seen > 0, 20), "no ENQ while the program computed", c)
c.send(BREAK)
check(c.until(lambda: b"ESCAPE" in c.output.upper() or b"0030" in c.output or b"0040" in c.output, 20),
      "break after the keep-alive", c)
c.remove()

# A long WAIT checks the link in slices: the break ends it early.
c = attached("20 PRINT \"WAITING\"", "30 WAIT 60", "40 PRINT \"WOKE\"", ready="WAITING\x1b")
c.send(BREAK)
check(c.until(lambda: b"WOKE" in c.output or b"ESCAPE" in c.output.upper() or b"0030" in c.output, 20),
      "the break did not end the WAIT", c)
c.remove()

# Over TCP: LNSW to the client's connection, DEFTTY F over it, then LNSW
# alone: the client gets the end request ('z' ' ') and the console is home.
c, conn, srv = over_tcp()
come_home(c)
c.lines('PRINT "BACK","HOME"')
check(c.wait_text("BACKHOME"), "the console did not come home", c)
conn.close()
srv.close()
check(c.finish() == 0, "exit status after the console came home", c)
c.remove()
print("ok")
