# A thin-client console gets no escape sequence of the host's terminal:
# every mnemonic goes as ESC and its two characters, '@(' positions as
# ESC 0x02 column line, and the windows, frames and repaints of the local
# screen model stay local (the client draws its own windows).  What the
# client gets is the same whatever the host's TERM says.  A level-0 client
# gets the positions of a button in whole cells, two bytes each.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, check  # noqa: E402

PROGRAM = ("10 DEFTTY F (0)80,25",
           "20 PRINT \"<\"+\"A>\",@(5,5),\"p\",'CS','C2','BR','F1','RM',\"<\"+\"B>\"",
           "30 W$=WDW(2,2,20,5); PRINT \"<\"+\"C>\",W$,\"<\"+\"D>\"",
           "40 PRINT \"<\"+\"E>\",DRP(1),\"<\"+\"F>\"",
           "50 PRINT \"<\"+\"G>\",@(78,3),\"abcd\",\"<\"+\"H>\"",
           "60 PRINT \"<\"+\"I>\",W$,'LF','CL','DC','IC','LD','LI',DRP(1),\"<\"+\"J>\"",
           "70 PRINT \"<\"+\"K>\",LEN(W$),\"END\"",
           "RUN")


def between(out, a, b):
    i = out.find(a.encode())
    j = out.find(b.encode(), i)
    return out[i + len(a):j] if i >= 0 and j > i else None


def run(term):
    c = Client(env={"TERM": term})
    c.lines(*PROGRAM)
    check(c.wait_text(b"END"), "the program did not run under TERM=%s" % term, c)
    c.lines("QUIT")
    check(c.ended(), "oru did not end", c)
    out = bytes(c.output)
    c.remove()
    return out


seen = {}
for term in ("xterm", "dumb"):
    out = run(term)
    check(b"\x1b[" not in out and b"\x1b(" not in out and b"\x1b]" not in out,
          "TERM=%s: host terminal sequences reached the client: %r" % (term, out))
    ab = between(out, "<A>", "<B>")
    check(ab == b"\x1b\x02\x05\x05p\x1bCS\x1bC2\x1bBR\x1bF1\x1bRM",
          "TERM=%s: mnemonics and positions: %r" % (term, ab))
    n = int(between(out, "<K>", "END").strip())
    cd = between(out, "<C>", "<D>")
    check(cd is not None and len(cd) == n and cd.startswith(b"\x1bmn\x02"),
          "TERM=%s: the window went out with more than its mnemonic: %r" % (term, cd))
    ef = between(out, "<E>", "<F>")
    check(ef == b"\x1bmn\x03\x01\x01", "TERM=%s: the drop repainted: %r" % (term, ef))
    gh = between(out, "<G>", "<H>")
    check(gh == b"\x1b\x02\x4e\x03abcd", "TERM=%s: the wrap at the edge was sent: %r" % (term, gh))
    ij = between(out, "<I>", "<J>")
    check(ij is not None and ij.endswith(b"\x1bLF\x1bCL\x1bDC\x1bIC\x1bLD\x1bLI\x1bmn\x03\x01\x01"),
          "TERM=%s: window edits emulated for the client: %r" % (term, ij))
    seen[term] = out
check(seen["xterm"] == seen["dumb"], "the client's output depends on TERM:\n%r\n%r" % (seen["xterm"], seen["dumb"]))

# A level-0 client (255 counts as 0): DEF 'C' with the positions in whole
# cells, two bytes each, and the caption as it stands.
tclient.NO_REPLY.add((ord('B'), ord('C')))
c = Client(level=255)
c.lines("10 DEFTTY F (0)80,25", "20 BUTTON 6,1,2,3,4,\"C\"", "30 PRINT \"DO\"+\"NE\"", "RUN")
check(c.wait_text(b"DONE"), "the program did not run", c)
b = [r for r in c.requests if r.key() == "BC"]
check(len(b) == 1 and b[0].payload == struct.pack(">hbhhhh", 6, 0, 1, 2, 3, 4) + b"C",
      "level-0 button: %r" % b, c)
c.finish()
c.remove()

# DEFCTL F of an editing code on a thin-client console tells the client's
# window ('$' 'E', awaited); "F -1005" is the F form of the key -1005, not
# the '-' form of 1005.
c = Client()
c.lines("10 DEFTTY F (0)80,25", "20 DEFCTL F (0)-1004,5", "30 DEFCTL F -1005,6", "40 DEFCTL F- (0)-1007,7",
        "50 DEFCTL F (0)-1004,/", "60 DEFCTL F (0)\"ab\",8", "70 PRINT \"DO\"+\"NE\"", "RUN")
check(c.wait_text(b"DONE"), "the DEFCTL lines did not run", c)
got = [r.items("s")[0] for r in c.requests if r.key() == "$E"]
want = [b"DEFCTL WINDOW  -1004=5", b"DEFCTL WINDOW  -1005=6", b"DEFCTL WINDOW- -1007=7", b"DEFCTL WINDOW  -1004=*"]
check(got == want, "DEFCTL F on the client: %r" % got, c)
c.finish()
c.remove()

# DEFTTY F on a device channel other than the console: its mnemonics and
# positions go in the client's form, its output in 0xD0 ' ' frames (a
# single printable byte raw) on its own descriptor.
import pty  # noqa: E402
import select  # noqa: E402
import subprocess  # noqa: E402
import tty  # noqa: E402

master, slave = pty.openpty()
tty.setraw(slave)
prog = ('OPEN (1)"%s"\nDEFTTY F (1)80,25\nPRINT (1)"A"\nPRINT (1)@(3,4),"xy",\'CS\'\n'
        'PRINT (1)"q",\nCLOSE (1)\nPRINT "DO"+"NE"\n' % os.ttyname(slave)).encode()
env = dict(os.environ, ORULIB=os.path.abspath(sys.argv[2]))
env.pop("ORUINI", None)
p = subprocess.run([os.path.abspath(sys.argv[1])], input=prog, capture_output=True, env=env, timeout=60)
dev = b""
while select.select([master], [], [], 0.2)[0]:
    dev += os.read(master, 65536)
os.close(master)
os.close(slave)
check(b"DONE" in p.stdout and b"Channel not open" not in p.stdout, "DEFTTY F (1): %r" % p.stdout[-300:])


def frame(payload):
    return b"\x16\x16\x16\x02\xd0 " + struct.pack(">HH", len(payload), tclient.crc16(payload)) + payload


check(dev == frame(b"\x1bRMA\x1bLF") + frame(b"\x1b\x02\x03\x04xy\x1bCS\x1bLF") + b"q",
      "DEFTTY F (1): the device got %r" % dev)
