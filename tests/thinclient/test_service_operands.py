# The client services on the thin client: CLIPBOARD READ LIST reads as READ,
# an error in the operands of CLIPBOARD, MSGBOX and MULTI_MEDIA (raised
# before the ERR= clause is reached) takes the clause, and the menu bar,
# drag-and-drop and RENAME CONTROL forms run to their requests.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, check  # noqa: E402

for key in ("~E", "nC"):
    tclient.NO_REPLY.add((ord(key[0]), ord(key[1])))

c = Client(level=12, caps=2)
c.handlers["+R"] = lambda r: b"clip"
c.lines('10 DEFTTY F (0)80,25',
        '20 CLIPBOARD READ LIST C$',
        '30 MSGBOX 5,ERR=40',
        '35 E1=-1',
        '40 E1=ERR; MULTI_MEDIA "x",40000,ERR=50',
        '45 E2=-1',
        '50 E2=ERR; CLIPBOARD READ N,ERR=60',
        '55 E3=-1',
        '60 E3=ERR; MSGBOX "m","t","o",N,ERR=70',
        '65 E4=-1',
        '70 E4=ERR; MENU_BAR ON,3; DROP ON AUTO,1,ENABLE; RENAME CONTROL 5,6,SHOW',
        '80 PRINT "END"+"ED ",C$,"|",E1,E2,E3,E4',
        'RUN')
check(c.wait_text("ENDED ", 10), "the program did not end", c)
check(c.wait_text("\x1bLF", 5), "no end of line", c)
out = c.text()
check("ENDED clip| 26 41 26 26" in out, "answers: %r" % out[-200:], c)
keys = [r.key() for r in c.requests if r.key() in ("+R", "?" + " ", "m ", "NY", "~E", "nC")]
check(keys == ["+R", "NY", "~E", "nC"], "requests: %r" % keys, c)
ny = [r.payload for r in c.requests if r.key() == "NY"][0]
check(ny.endswith(b"#3"), "MENU_BAR ON,3 sends the number as text: %r" % ny, c)
c.finish()
