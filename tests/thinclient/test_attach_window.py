# Objects attached to a window of the thin-client console (NEW(... FOR n)):
# the window's drop releases them, and their delete handlers run; an object
# attached to another window stays.  The window requests themselves reach
# the client as long mnemonics.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402

c = Client(level=12, caps=2)
c.lines('10 DEF CLASS "TW"', '20 PROPERTY NAME$', '30 END DEF', '100 ON_DELETE:', '110 PRINT "deleted ",NAME$',
        '120 EXIT', 'SAVE "TW.orc"', 'DELETE',
        '10 DEFTTY F (0)80,25', '20 PRINT WDW(5,5,20,6,3); PRINT WDW(10,8,20,6,4)',
        '30 A=NEW("TW" FOR 3); A\'NAME$="three"; B=NEW("TW" FOR 4); B\'NAME$="four"',
        '40 PRINT DRP(3); PRINT "AF"+"TER"; PRINT B\'NAME$', '45 SETERR 60', '50 PRINT A\'NAME$', '55 STOP',
        '60 PRINT "GO"+"NE ",ERR', 'RUN')
check(c.wait_text("GONE ", 10), "the program did not end", c)
check(c.wait_text("GONE  95", 5), "the released object is still there", c)
out = c.text()
check("deleted three" in out and "deleted four" not in out, "window drop released the wrong objects", c)
check(out.index("deleted three") < out.index("AFTER"), "the object went only after the drop", c)
check(out.find("four", out.index("AFTER")) > 0 and "GONE  95" in out, "object states after the drop: %r" % out[-80:], c)
check(b"\x1bmn\x02" in c.output and b"\x1bmn\x03\x01\x03" in c.output, "window mnemonics not sent", c)
c.finish()
c.remove()
print("ok")
