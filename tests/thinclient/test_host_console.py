# The console as a terminal of the host (no thin client): the bytes the
# terminal gets.  A colour mnemonic the channel defines goes out as its
# definition (after 'BR', 'F1' no longer resends 'RM' and every attribute).
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402

c = Client(env={"TERM": "xterm"})
c.lines("MNEMONIC (0)'F1',\"<F1>\",'BR',\"<BR>\",'RM',\"<RM>\"",
        "PRINT 'BR','F1',\"X\"+\"1\"", "PRINT 'RM','F2',\"Y\"+\"1\"")
check(c.wait_text(b"Y1"), "the lines did not run", c)
out = bytes(c.output)
echo = out.find(b'"X"+"1"')
sent = out[echo + 7:out.find(b"X1", echo)]
check(sent.endswith(b"<BR><F1>") and b"<RM>" not in sent,
      "'F1' after 'BR' did not send its definition alone: %r" % sent, c)
# 'F2' has the driver's definition.
check(b"<RM>\x1b[32mY1" in out, "'F2' did not send the driver's definition: %r" % out[-200:], c)
# 'f' with colour 1 is 'F1'.
c.lines("PRINT 'RM',$1B6601$,\"Z\"+\"1\"")
check(c.wait_text(b"Z1"), "the 'f' line did not run", c)
out = bytes(c.output)
echo = out.find(b'"Z"+"1"')
sent = out[echo + 7:out.find(b"Z1", echo)]
check(sent.endswith(b"<RM><F1>") and sent.count(b"<RM>") == 1, "'f' 1 is not 'F1': %r" % sent, c)
c.finish()
c.remove()
