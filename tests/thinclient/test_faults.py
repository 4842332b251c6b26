# Replies that go wrong: a NAK, a wrong CRC (the host asks again with the
# ten-byte re-request), five bad replies (error 86), a refusal, a client
# that closes its side mid-request, and a client that goes silent (the
# keep-alive ends the wait, the link is dead and the process ends).
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check, hello, reply, can, NAK  # noqa: E402

# The second DEFTTY F runs the handshake again: its '*' ' ' is the request
# each case plays with.
PROGRAM = ["10 DEFTTY F (0)80,25", "20 SETERR 90", "30 DEFTTY F (0)80,25", "40 PRINT \"DONE\"+\"!\"", "50 END",
           "90 PRINT \"ERR \",ERR", "95 END", "RUN"]


def second_hello(c):
    return sum(1 for r in c.requests if r.key() == "* ") >= 2


# NAK: the same frame again, then a good reply.
c = Client()
state = {"n": 0}


def nak_once(r):
    state["n"] += 1
    return NAK if state["n"] == 2 else None


c.handlers["* "] = nak_once
c.lines(*PROGRAM)
check(c.wait_text("DONE!"), "NAK then reply", c)
stars = [r for r in c.requests if r.key() == "* "]
check(len(stars) == 3 and stars[1].payload == stars[2].payload, "NAK did not resend the frame", c)
c.finish()
c.remove()

# A wrong CRC: the host sends the re-request frame '!' ' ' and the client
# sends its reply again.
c = Client()
state = {"n": 0}


def bad_crc_once(r):
    state["n"] += 1
    good = reply(hello(12))
    if state["n"] == 2:
        return good[:4] + bytes([good[4] ^ 0xFF]) + good[5:]
    return good


c.handlers["* "] = bad_crc_once
c.handlers["! "] = lambda r: reply(hello(12))  # the client's copy of its reply is sound
c.lines(*PROGRAM)
check(c.wait_text("DONE!"), "bad CRC then a good reply", c)
check("! " in c.keys(), "no re-request after a wrong CRC: %r" % c.keys(), c)
c.finish()
c.remove()

# Five bad replies: error 86.
c = Client()
state = {"n": 0}


def always_bad(r):
    state["n"] += 1
    good = reply(hello(12))
    if state["n"] >= 2:
        return good[:4] + bytes([good[4] ^ 0xFF]) + good[5:]
    return good


c.handlers["* "] = always_bad
c.handlers["! "] = lambda r: (c.send(always_bad(r)), False)[1]
c.lines(*PROGRAM)
check(c.wait_text("ERR  86"), "five bad replies did not give error 86", c)
check(c.keys().count("! ") == 4, "sends: %r" % c.keys(), c)
c.finish()
c.remove()

# A refusal of the second handshake: the client's code is the error.
c = Client()
state = {"n": 0}


def refuse_second(r):
    state["n"] += 1
    return can(46) if state["n"] == 2 else None


c.handlers["* "] = refuse_second
c.lines(*PROGRAM)
check(c.wait_text("ERR  46"), "refusal did not give the client's code", c)
c.finish()
c.remove()

# The client closes its side while a reply is awaited: error 0, then the
# console's input has ended and the process ends.
c = Client()
state = {"n": 0}


def close_on_second(r):
    state["n"] += 1
    if state["n"] == 2:
        c.close_input()
        return False
    return None


c.handlers["* "] = close_on_second
c.lines(*PROGRAM)
t0 = time.time()
check(c.ended(15), "oru did not end after the client closed", c)
check(b"ERR  0" in c.output, "no error 0", c)
c.remove()

# A silent client: with a keep-alive of 2 seconds the host asks with ENQ
# after one second and gives the link up after two; the program gets error
# 86 and, the console's link being dead, the process ends.
c = Client(ini="[Config]\nKeepAliveSeconds=2\n")
state = {"n": 0}


def silent_on_second(r):
    state["n"] += 1
    if state["n"] == 2:
        c.silent = True
        return False
    return None


c.handlers["* "] = silent_on_second
c.lines(*PROGRAM)
t0 = time.time()
check(c.ended(20), "a silent client kept oru waiting", c)
elapsed = time.time() - t0
check(c.enq_seen >= 1, "no ENQ was sent", c)
check(elapsed < 15, "the keep-alive took %.1f s" % elapsed, c)
c.remove()

# A live client answers the ENQ and a slow reply still arrives.
c = Client(ini="[Config]\nKeepAliveSeconds=2\n")
state = {"n": 0}


def slow_second(r):
    state["n"] += 1
    if state["n"] == 2:
        deadline = time.time() + 3.5
        while time.time() < deadline:
            c.pump(0.1)  # answers the ENQs meanwhile
        return None
    return None


c.handlers["* "] = slow_second
c.lines(*PROGRAM)
check(c.wait_text("DONE!", 20), "a live slow client was given up", c)
check(c.enq_seen >= 1, "no ENQ during a slow reply", c)
c.finish()
c.remove()
print("ok")
