# Object events run while a thin-client INPUT waits for its keys: the event
# timer's Timeout handler runs during the wait, before the answer is typed,
# both when the client is the process's own stream and when the console is
# carried over a TCP connection (with a thin client there, and a plain
# console).  Each tick leaves a file; the answer is typed only once two
# ticks have left theirs.
import os
import socket
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from tclient import Client, check, over_tcp  # noqa: E402

PROGRAM = ('20 DEF CLASS "H"', "30 PROPERTY N", '40 FUNCTION TICK() FOR EVENT "Timeout"',
           '50 N=N+1; SERIAL "tick"+STR(N)', "60 FUNCTION END", "70 END DEF",
           '80 DEF OBJECT S,"*system"', '90 H=NEW("H")', "100 ON EVENT FROM S PROCESS H",
           "110 ENABLE EVENT TIM 1", '120 INPUT "ANS"+"WER? ",A$', "130 DISABLE EVENT TIM",
           '140 PRINT "GOT ",A$,H\'N>=2')


def ticked(c):
    return c.until(lambda: os.path.exists(os.path.join(c.cwd, "tick2")), 30)


# The class's code is read from the saved program.
c = Client()
c.lines("10 DEFTTY F (0)80,25", *PROGRAM, 'SAVE "prog"', "RUN")
check(c.wait_text("ANSWER?"), "the program did not ask", c)
check(ticked(c), "no Timeout handler ran while the thin client's INPUT waited", c)
c.type("yes\r")
check(c.wait_text("GOT yes 1"), "the INPUT's answer: %r" % c.text()[-200:], c)
c.finish()
c.remove()

c, conn, lsn = over_tcp()
# Line 10 (DEFTTY F) is left out: the client is attached already.
for line in PROGRAM:
    c.type(line + "\r")
c.type('SAVE "prog"\r')
c.type("RUN\r")
check(c.wait_text("ANSWER?"), "the program did not ask over the TCP console", c)
check(ticked(c), "no Timeout handler ran while the TCP console's INPUT waited", c)
c.type("yes\r")
check(c.wait_text("GOT yes 1"), "the INPUT's answer over TCP: %r" % c.text()[-200:], c)
c.finish()
c.remove()
conn.close()
lsn.close()

# A plain console carried over TCP (LNSW to a TCP channel, no thin client).
lsn = socket.socket()
lsn.bind(("127.0.0.1", 0))
lsn.listen(1)
c = Client()
c.lines('LNSW "[tcp]127.0.0.1;%d"' % lsn.getsockname()[1])
conn, _ = lsn.accept()
conn.settimeout(0.1)
got = bytearray()


def seen(text, timeout=30):
    end = time.time() + timeout
    while time.time() < end:
        if text(got) if callable(text) else text in got:
            return True
        try:
            b = conn.recv(4096)
        except socket.timeout:
            continue
        if not b:
            break
        got.extend(b)
    return text(got) if callable(text) else text in got


for line in PROGRAM[:-1] + ('140 PRINT "GOT ",A$,H\'N>=2,"!"', 'SAVE "prog"', "RUN"):
    conn.sendall(line.encode() + b"\n")
check(seen(b"ANSWER?"), "the program did not ask over the plain TCP console: %r" % bytes(got[-200:]), c)
check(seen(lambda g: os.path.exists(os.path.join(c.cwd, "tick2"))),
      "no Timeout handler ran while the plain TCP console's INPUT waited", c)
conn.sendall(b"yes\n")
check(seen(b"GOT yes 1!"), "the INPUT's answer over the plain TCP console: %r" % bytes(got[-200:]), c)
c.remove()
conn.close()
lsn.close()
