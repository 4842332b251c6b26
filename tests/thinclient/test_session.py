# The connect handshake at old and new client levels, console output as
# frames, keyboard input from the client and the client's break.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check, hello, reply, can, BREAK  # noqa: E402

PROGRAM = ["10 DEFTTY F (0)80,25", "20 PRINT \"HELLO\"", "30 INPUT X$", "40 PRINT \"GOT \",X$", "50 END", "RUN"]


def session(level, caps=2, kind=b" "):
    c = Client(level=level, caps=caps, kind=kind)
    c.lines(*PROGRAM)
    check(c.wait_text("HELLO\x1b"), "level %d: no HELLO" % level, c)
    c.type("abc\r")
    check(c.wait_text("GOT abc"), "level %d: keyboard line not read" % level, c)
    return c


# A new client (level 12): '*' ' ', then ' ' '+' with the host's level, then
# the process id as a client value.
c = session(12)
keys = c.keys()
check(keys[:3] == ["* ", " +", "fn"], "level 12 handshake: %r" % keys[:3], c)
check(c.requests[1].items("i") == [12], "host level offered: %r" % c.requests[1].payload, c)
zero, name = c.requests[2].items("is")
check(zero == 0 and name == b"*ProcId=%d" % c.proc.pid, "process id value: %r" % name, c)
# Console output travels as 0xD0 frames, mnemonics as ESC and their code.
check(any(r.raw_major == 0xD0 and b"HELLO\x1bLF" in r.payload for r in c.requests), "HELLO not in a 0xD0 frame", c)
check(c.bad_frames == 0, "frames with a wrong CRC", c)
c.type("PRINT 1+1\r")
check(c.wait_text(" 2"), "console line typed by the client", c)
status = c.finish()
check(status == 0, "exit status %r" % status, c)
c.remove()

# An old client (level 9): ' ' ' ' without items and no long integers.
c = session(9)
check(c.keys()[:3] == ["* ", "  ", "fn"], "level 9 handshake: %r" % c.keys()[:3], c)
check(c.requests[1].payload == b"", "level 9 second request has items", c)
c.finish()
c.remove()

# A client below level 4: only the first request.
c = session(3)
check(c.keys()[0] == "* " and "  " not in c.keys() and "fn" not in c.keys(), "level 3: %r" % c.keys(), c)
c.finish()
c.remove()

# Level 255 counts as 0: no second request either.
c = session(255)
check("fn" not in c.keys(), "level 255 treated as a level: %r" % c.keys(), c)
c.finish()
c.remove()

# A refused handshake: DEFTTY F fails with the client's error and the console
# is an ordinary console again.
c = Client()
c.handlers["* "] = lambda r: can(46)
c.lines("DEFTTY F (0)80,25", "PRINT \"AFTER\"")
check(c.wait_text("AFTER"), "console after a refused handshake", c)
check("String too long" in c.text(), "error 46 not reported: %r" % c.text(), c)
c.finish()
c.remove()

# The client's break (00 80 FA C4) between keystrokes stops a running program.
c = Client()
c.lines("10 DEFTTY F (0)80,25", "20 PRINT \"LOOP\"", "30 INPUT X$", "40 GOTO 30", "RUN")
check(c.wait_text("LOOP\x1b"), "loop did not start", c)
c.type("a\r")
c.send(BREAK)
c.type("b\r")
check(c.until(lambda: c.text().count(">") >= 1 or b"ESCAPE" in c.output.upper(), 10), "break did not stop the program", c)
c.remove()
print("ok")
