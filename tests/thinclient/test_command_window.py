# The debugger's command window on a thin client (switch DW): the client is
# told '+C' where a program stops (escape, breakpoint, single step, an
# error) and '-C' where the program's own console work begins again; the
# prompt of the window is "}" (";" with unsaved changes).  SAVE CONTROL is
# the client's statement: its text goes to the client ('$' 'E'), the ERR=
# clause stays the host's.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, can, check  # noqa: E402

OPEN, CLOSE = b"\x1b+C", b"\x1b-C"


def break_list(*texts):
    out = struct.pack(">HH", 0, len(texts))
    for s in texts:
        out += bytes([len(s)]) + s
    return out


# Without DW nothing is sent and the prompt is the usual one.
c = Client()
c.lines("10 DEFTTY F (0)80,25", "20 ESCAPE", '30 PRINT "DO"+"NE"', "40 END", "RUN")
check(c.wait_text("0020 ESCAPE"), "no stop at ESCAPE", c)
c.type("RUN\r")
check(c.wait_text("DONE"), "the program did not go on", c)
c.pump(0.3)
check(OPEN not in c.output and CLOSE not in c.output, "command window without DW: %r" % bytes(c.output), c)
c.finish()
c.remove()

# With DW: the escape stop opens the window before the stopped line is
# listed, the prompt shows it, the program's first output closes it, and
# the prompt after the program opens it again.
c = Client()
c.lines("SET_PARAM 'DW'", "10 DEFTTY F (0)80,25", "20 ESCAPE", '30 PRINT "DO"+"NE"', "40 END", "RUN")
check(c.wait_text(OPEN + b"0020 ESCAPE"), "'+C' not sent at the escape stop: %r" % bytes(c.output), c)
check(c.wait_text_after(b"-;", b"0020 ESCAPE"), "no command-window prompt with unsaved changes", c)
mark = len(c.output)
c.type("RUN\r")
check(c.wait_text(CLOSE + b"DONE"), "'-C' not sent before the program's output: %r" % bytes(c.output[mark:]), c)
check(c.until(lambda: c.output[mark:].count(OPEN) == 1), "the prompt after the program did not reopen", c)
check(c.output[mark:].find(OPEN) > c.output[mark:].find(b"DONE"), "reopened too early", c)
# At the window's prompt a console PRINT stays in the window; DEFCTL closes
# it and the next prompt opens it again.
mark = len(c.output)
c.type('PRINT "in"+"side"\r')
check(c.wait_text(b"inside"), "console PRINT lost", c)
c.pump(0.3)
check(CLOSE not in c.output[mark:], "a console PRINT closed the window", c)
mark = len(c.output)
c.type('DEFCTL "x",7\r')
check(c.until(lambda: CLOSE in c.output[mark:] and OPEN in c.output[mark:]), "DEFCTL did not close and the prompt reopen: %r"
      % bytes(c.output[mark:]), c)
check(c.output[mark:].find(CLOSE) < c.output[mark:].find(OPEN), "DEFCTL: wrong order", c)
# A control directive (MSGBOX here) closes the window before its request.
n = len(c.requests)
c.type('MSGBOX "hello"\r')
check(c.wait_request("? "), "no message box request", c)
later = c.requests[n:]
box = [i for i, r in enumerate(later) if r.key() == "? "][0]
check(any(r.key() == "P " and CLOSE in r.payload for r in later[:box]), "MSGBOX did not close the window first", c)
check(c.until(lambda: OPEN in b"".join(r.payload for r in c.requests[n + box:] if r.key() == "P ")),
      "the prompt after MSGBOX did not reopen the window", c)
# A single step stops in the window as well.
mark = len(c.output)
c.type("RUN\r")
check(c.until(lambda: b"0020 ESCAPE" in c.output[mark:]), "no second stop", c)
c.pump(0.2)
mark = len(c.output)
c.type(".\r")
check(c.until(lambda: b"0030 PRINT" in c.output[mark:]), "no single step: %r" % bytes(c.output[mark:]), c)
check(CLOSE not in c.output[mark:], "the step left the window", c)
# The next step runs the PRINT (the window closes) and stops in the window.
mark = len(c.output)
c.type(".\r")
check(c.until(lambda: CLOSE + b"DONE" in c.output[mark:] and OPEN + b"0040 END" in c.output[mark:]),
      "the step did not stop in the window: %r" % bytes(c.output[mark:]), c)
c.finish()
c.remove()

# A breakpoint of the debugging client stops in the command window; an
# error report of a running program opens it too.
lists = {b"*BreakList": break_list(b"STAT=40"), b"*WatchList": b""}
c = Client()
c.handlers["fn"] = lambda r: lists.get(r.items("is")[1], b"")
c.lines("SET_PARAM 'DW'", "10 DEFTTY F (0)80,25", "20 ESCAPE", '30 PRINT "A"+"B"', "40 X=1", '50 PRINT "C"; X=1/0', "60 END", "RUN")
check(c.wait_text("0020 ESCAPE"), "no first stop", c)
mark = len(c.output)
c.type("RUN\r")
check(c.wait_text(CLOSE + b"AB"), "the program's output did not close the window", c)
check(c.until(lambda: OPEN + b"0040 X=1" in c.output[mark:]), "breakpoint stop not in the window: %r" % bytes(c.output[mark:]), c)
mark = len(c.output)
c.type("RUN\r")
check(c.until(lambda: b"0050 PRINT" in c.output[mark:]), "no error report", c)
check(CLOSE + b"C" in c.output[mark:], "the window stayed open", c)
check(OPEN + b"0050 PRINT" in c.output[mark:], "the error report did not open the window: %r" % bytes(c.output[mark:]), c)
c.finish()
c.remove()

# SAVE CONTROL goes to the client as its statement text; the client's
# refusal is the statement's error, taken by ERR=.
sent = []


def execute(r):
    text = r.items("s")[0]
    sent.append(text)
    return can(20) if b"BAD" in text else b""


c = Client()
c.handlers["$E"] = execute
c.lines("10 DEFTTY F (0)80,25", '20 SAVE CONTROL 101,"state",ERR=100', '30 A=1; SAVE CONTROL "BAD",ERR=110',
        '40 PRINT "DO"+"NE"; END', '100 PRINT "E20 ",ERR; GOTO 30', '110 PRINT "E30 ",ERR; GOTO 40', "RUN")
check(c.wait_text("DONE"), "the program did not end: %r" % bytes(c.output), c)
check(sent == [b'SAVE CONTROL 101,"state"', b'SAVE CONTROL "BAD"'], "statements sent: %r" % sent, c)
check(b"E20  " not in c.output, "an accepted SAVE CONTROL took its ERR= branch", c)
check(b"E30  20" in c.output, "the client's refusal was not the error: %r" % bytes(c.output), c)
c.finish()
c.remove()

# A client that goes away while the program runs: the error report and the
# prompt cannot reach it to open the window; the process ends cleanly (no
# crash, no hang).
c = Client()
c.lines("SET_PARAM 'DW'", "10 DEFTTY F (0)80,25", "20 ESCAPE", '30 FOR I=1 TO 100000; PRINT "x"; NEXT I', "40 END", "RUN")
check(c.wait_text(OPEN + b"0020 ESCAPE"), "no stop", c)
c.type("RUN\r")
c.close_input()
c.close_output()
try:
    status = c.proc.wait(20)
except Exception:
    status = None
check(status is not None and status >= 0, "oru did not end cleanly: %r" % status, c)
c.remove()

# TRACE PRINT shows its line in the command window; the program's next
# output closes it.
c = Client()
c.lines("SET_PARAM 'DW'", "10 DEFTTY F (0)80,25", '20 PRINT "a"', "30 TRACE", '40 TRACE PRINT "tr"+"ace"',
        '50 PRINT "b"+"c"; END', "RUN")
check(c.wait_text(b"bc\x1b"), "the program did not end: %r" % bytes(c.output), c)
check(OPEN + b"trace" in c.output, "TRACE PRINT did not open the window: %r" % bytes(c.output), c)
check(CLOSE + b"bc" in c.output, "the output after TRACE PRINT did not close it", c)
c.finish()
c.remove()
