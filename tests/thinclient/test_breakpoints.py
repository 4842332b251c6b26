# Breakpoints and watches of a debugging client: the client hands its lists
# over as the properties "*BreakList" and "*WatchList" (read when RUN starts
# or resumes a program); a breakpoint stops the program as an escape does,
# and the watch values come back as "*Watch" long mnemonics when they change.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402


def break_list(*texts):
    out = struct.pack(">HH", 0, len(texts))
    for s in texts:
        out += bytes([len(s)]) + s
    return out


def watch_list(chunk, *exprs):
    out = bytes([0, chunk])
    for e in exprs:
        out += bytes([len(e)]) + e
    return out


def watch_entry(n, text):
    return b"\x1bmn(" + bytes([len(text) + 10, 6]) + b"*Watch" + bytes([len(text) + 2]) + struct.pack(">H", n) + text


lists = {b"*BreakList": break_list(b"STAT=50"), b"*WatchList": watch_list(4, b"X", b"A$ {1:9}")}


def properties(r):
    zero, name = r.items("is")
    return lists.get(name, b"")


PROGRAM = ["10 DEFTTY F (0)80,25", "20 ESCAPE", "30 X=0; A$=\"abcdefghi\"", "40 FOR I=1 TO 2",
           "50 X=X+1", "60 NEXT I", "70 PRINT \"DONE\",X", "80 END", "RUN"]

c = Client()
c.handlers["fn"] = properties
c.lines(*PROGRAM)
check(c.wait_text("0020 ESCAPE"), "the program did not stop at its ESCAPE", c)
c.type("RUN\r")
check(c.wait_text("0050 X=X+1"), "no stop at the breakpoint on line 50", c)
asked = [r.items("is")[1] for r in c.requests if r.key() == "fn"]
check(b"*BreakList" in asked and b"*WatchList" in asked, "lists not read: %r" % asked, c)
check(watch_entry(0, b"X=0") in c.output, "watch of X=0 missing", c)
# A string longer than the chunk length: one entry per chunk.
check(watch_entry(1, b'A$ {1:9}="abcd"') in c.output, "first chunk missing", c)
check(watch_entry(2, b'... {5:8}="efgh"') in c.output, "second chunk missing", c)
check(watch_entry(3, b'... {9:9}="i"') in c.output, "third chunk missing", c)
check(b"DONE 2" not in c.output and b"DONE 1" not in c.output, "the program ran past its breakpoint", c)
mark = len(c.output)
c.type("RUN\r")
check(c.until(lambda: c.output.count(b"0050 X=X+1") >= 2), "no stop on the second arrival at line 50", c)
check(watch_entry(0, b"X=1") in c.output[mark:], "changed watch value not reported", c)
# The client clears its breakpoints: the program runs to its end.
lists[b"*BreakList"] = b""
c.type("RUN\r")
check(c.wait_text("DONE 2"), "the program did not end", c)
check(watch_entry(0, b"X=2") in c.output, "last watch value not reported", c)
c.finish()
c.remove()

# A TEST breakpoint true at its first evaluation does not stop; CHAN stops
# at each change.
lists = {b"*BreakList": break_list(b"TEST=X>0", b"CHAN=Y"), b"*WatchList": b""}
PROGRAM = ["10 DEFTTY F (0)80,25", "20 ESCAPE", "30 X=5", "40 Y=1", "50 Y=2", "60 PRINT \"END\"", "70 END", "RUN"]
c = Client()
c.handlers["fn"] = properties
c.lines(*PROGRAM)
check(c.wait_text("0020 ESCAPE"), "no first stop", c)
c.type("RUN\r")
# X>0 is false at line 30 and true once X=5 ran: line 40 stops.
check(c.wait_text("0040 Y=1"), "TEST did not stop when it became true", c)
c.type("RUN\r")
check(c.wait_text("0050 Y=2"), "CHAN did not stop when Y changed", c)
c.type("RUN\r")
check(c.wait_text("0060 PRINT"), "CHAN did not stop at the second change", c)
c.type("RUN\r")
check(c.wait_text("END\x1b"), "the program did not end", c)
c.finish()
c.remove()
