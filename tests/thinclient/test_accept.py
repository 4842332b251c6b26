# ACCEPT on a thin client's console reads one key, SIZ= or not (only a
# plain console reads SIZ= bytes of its input at once); TIM= passes with no
# key and the EVT= line takes the busy error 0.
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402

c = Client(level=12, caps=2)
c.lines("5 DEFTTY F (0)80,25",
        "10 PRINT \"RE\"+\"ADY\"; ACCEPT (0,TIM=5,EVT=40)A$",
        "20 PRINT \"G\"+\"OT\",A$; ACCEPT (0,SIZ=3,TIM=5,ERR=50)B$; PRINT \"B\"+\"B\",B$",
        "30 ACCEPT (0,TIM=1,EVT=40)C$; PRINT \"C\"+\"C\",C$; ACCEPT (0,TIM=0,EVT=40)D$; PRINT \"D\"+\"D\",D$",
        "35 ACCEPT (0,SIZ=2,TIM=0,EVT=40)E$; PRINT \"NO\"+\"KEY\",E$; END",
        "40 PRINT \"E\"+\"VT\",ERR; END",
        "50 PRINT \"E\"+\"RR\",ERR; END",
        "RUN")
c.wait_text("READY")
start = len(c.text())
time.sleep(0.3)
c.type("x")
c.wait_text("GOT")
time.sleep(0.3)
c.type("abc")
c.until(lambda: "EVT" in c.text()[start:] or "ERR" in c.text()[start:])
time.sleep(0.3)
out = c.text()[start:]
check("GOTx" in out, "one key: %r" % out, c)
check("BBa" in out and "BBab" not in out, "SIZ=3 takes one key on a thin client: %r" % out, c)
check("CCb" in out and "DDc" in out, "the other keys stay for the next ACCEPT: %r" % out, c)
check("EVT 0" in out and "NOKEY" not in out, "no key: the EVT= line takes error 0: %r" % out, c)
c.finish()
c.remove()
print("ok")
