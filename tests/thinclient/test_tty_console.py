# The console's own line on a thin client's console: over a terminal line
# (keyboard, screen and protocol on one raw pseudo-terminal) the line typed
# at the console prompt is read by the line editor as INPUT's answer is:
# shown once as it is typed, with its editing keys; over the pipe the line
# comes whole and is shown once after it.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, TtyClient, check  # noqa: E402


def at_prompt(cls):
    """A client whose program has ended: its console waits at the prompt."""
    c = cls()
    c.lines("10 DEFTTY F (0)80,25", '20 PRINT "RE"+"ADY"', "RUN")
    check(c.wait_text("READY", 10), "%s: the program did not run" % cls.__name__, c)
    c.until(lambda: False, 0.3)
    return c


def typed(c, keys, want, timeout=10):
    """Types keys at the prompt; the console output from then on once want
    (a text) is in it."""
    n = len(c.output)
    c.type(keys)
    c.until(lambda: want.encode() in c.output[n:], timeout)
    return bytes(c.output[n:]).decode("latin-1")


for cls, end in ((TtyClient, "\r"), (Client, "\n")):
    c = at_prompt(cls)
    out = typed(c, "PRINT 6*7" + end, " 42")
    check(" 42" in out, "%s: the console line did not run: %r" % (cls.__name__, out), c)
    check(out.count("PRINT 6*7") == 1 and out.index("PRINT 6*7") < out.index(" 42"),
          "%s: the console line is not shown once before its output: %r" % (cls.__name__, out), c)
    # INPUT at the console shows its answer as the console line was shown.
    typed(c, "INPUT X$" + end, "INPUT X$")
    c.until(lambda: False, 0.3)
    out = typed(c, "abc" + end, "-:")
    check(out.count("abc") == 1, "%s: INPUT's answer: %r" % (cls.__name__, out), c)
    c.remove()

# Over the terminal line the editing keys work at the prompt as in INPUT:
# backspace (DEL or ctrl-H) takes back the 8 typed before it.
c = at_prompt(TtyClient)
for bs in ("\x7f", "\x08"):
    out = typed(c, "PRINT 6*8" + bs + "7\r", " 42")
    check(" 42" in out and "rror" not in out, "backspace %r at the prompt: %r" % (bs, out), c)
c.remove()
print("ok")
