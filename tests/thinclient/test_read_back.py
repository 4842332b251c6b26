# A read-back ('RC', 'RL') on a thin-client console whose keyboard is not a
# terminal answers from the screen image at once, as on a terminal: no key
# is read, and the answer is not shown to the client as if it were typed.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402

c = Client()
c.lines("10 DEFTTY F (0)80,25",
        "20 PRINT 'CS',\"abc\",@(2,3),'RC',; INPUT X$; PRINT \"<\"+\"G>\",X$,\"<\"+\"H>\"",
        "30 PRINT @(0,0),'RL',; INPUT Y$; PRINT \"<\",LEN(Y$),Y$(1,4),\">\"",
        "40 PRINT \"EN\"+\"D\"", "RUN")
check(c.wait_text(b"END\x1b"), "the read-backs did not answer", c)
out = bytes(c.output)
run = out[out.find(b"RUN\r\n"):]
check(b"\x1bRC\x1bLF<G>0302<H>" in run, "'RC': %r" % run, c)
check(b"\x1bRL\x1bLF< 80abc >" in run, "'RL': %r" % run, c)
c.finish()
c.remove()
