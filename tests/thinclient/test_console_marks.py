# The thin-client console sends '+U' and '-U' only when they change what the
# client was told last (a session starts as after '+U'), and the cursor
# modes 'C0'..'C2' only when they change; the command window's prompt
# tells the client '+U'.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402

PLUS_U, MINUS_U = b"\x1b+U", b"\x1b-U"

c = Client()
c.lines("10 DEFTTY F (0)80,25",
        "20 PRINT 'BU','+U','-U','-U','+U','+U','-U','C1','C1','C2','C2','C1','EU',\"M\"+\"1\"",
        "30 PRINT 'BU','C1','EU',\"M\"+\"2\"", "RUN")
check(c.wait_text(b"M2"), "the program did not run", c)
out = bytes(c.output)
first = out[out.find(b"\x1bBU"):out.find(b"M1")]
check(first.count(MINUS_U) == 2 and first.count(PLUS_U) == 1, "'+U'/'-U' sent when nothing changed: %r" % first, c)
check(first.find(MINUS_U) < first.find(PLUS_U) < first.rfind(MINUS_U), "'+U'/'-U' out of order: %r" % first, c)
check(first.count(b"\x1bC1") == 2 and first.count(b"\x1bC2") == 1, "cursor modes sent when unchanged: %r" % first, c)
second = out[out.find(b"M1"):out.find(b"M2")]
check(b"\x1bC1" not in second, "'C1' sent again: %r" % second, c)
c.finish()
c.remove()

# In the command window the prompt tells the client '+U' after a program
# sent '-U'.
c = Client()
c.lines("SET_PARAM 'DW'", "10 DEFTTY F (0)80,25", "20 PRINT '-U',\"X\"+\"Y\"", "30 ESCAPE", "RUN")
check(c.wait_text(b"0030 ESCAPE"), "no stop at ESCAPE", c)
check(c.wait_text_after(b"-;", b"0030 ESCAPE"), "no command-window prompt", c)
out = bytes(c.output)
check(out.find(PLUS_U, out.find(b"XY")) > 0, "the command window's prompt did not send '+U': %r" % out, c)
c.finish()
c.remove()
