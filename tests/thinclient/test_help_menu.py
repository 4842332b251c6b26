# Help-menu texts on the thin client: the word under the given position of
# the console's current window (the host keeps the window's text in step
# with what it sent) becomes the help entry and the help path.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402

c = Client(level=12, caps=2)
c.lines('10 DEFTTY F (0)80,25', '20 PRINT @(0,3),"call LIST_BOX and POS( here"',
        '30 SYSTEM_HELP FOR 7,3,E$,P$; SYSTEM_HELP FOR 19,3,F$,Q$; SYSTEM_HELP FOR 26,3,G$,R$',
        '40 SYSTEM_HELP FOR 81,3,H$,S$,ERR=50', '45 STOP',
        '50 PRINT @(0,5),"HE"+"LP[",E$,"|",P$,"|",ERR; PRINT F$,"|",Q$; PRINT G$,"|",R$,"]"', 'RUN')
check(c.wait_text("HELP[", 10), "the program did not end", c)
check(c.wait_text("Help|]", 5), "no end of the answer", c)
want = "HELP[&Help for LIST_BOX Directive|directives/list_box| 41\x1bLF&Help for POS() Function|functions/pos" \
       "\x1bLF&General Help|]"
check(want in c.text(), "help texts: %r" % c.text()[-200:], c)
c.finish()
c.remove()
print("ok")
