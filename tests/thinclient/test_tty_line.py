# A client that reaches oru over a terminal line (keyboard, screen and
# protocol on one raw pseudo-terminal, as over ssh), and over the pipe:
# a reply holding the byte 3 (the interrupt character of a terminal) is a
# reply like any other; a key that comes in the same read as a reply stays
# input, as does a key typed while a reply is awaited; operation 31 is the
# mnemonic error on the client's console; each menu request waits for the
# client's answer; MENU_BAR, SYSTEM_HELP and DEFCTL take ERR= for their
# operands; the line editor keeps a string mask's digit runs.
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, TtyClient, check, reply  # noqa: E402

READ = ("20 CLIPBOARD READ X$", '30 PRINT "X=",X$,"."', "40 INPUT Y$", '50 PRINT "Y=",Y$,"."')


def run(cls, answer, typed, want_x, want_y):
    c = cls()
    c.handlers["+R"] = lambda r: answer(c) or False
    c.lines("10 DEFTTY F (0)80,25", *READ, "RUN")
    check(c.wait_text(want_x, 10), "%s: %r not shown" % (cls.__name__, want_x), c)
    c.type(typed)
    check(c.wait_text(want_y, 10), "%s: %r not shown" % (cls.__name__, want_y), c)
    c.remove()


for cls in (TtyClient, Client):
    # A reply of 3 bytes: its length byte is 3.
    run(cls, lambda c: c.send(reply(b"RES")), "q\r", "X=RES.", "Y=q.")
    # A key and a reply in one write.
    run(cls, lambda c: c.send(b"x" + reply(b"RESX")), "yz\r", "X=RESX.", "Y=xyz.")

    # A key typed while the reply is awaited.
    def late(c):
        c.send(b"k")
        time.sleep(0.3)
        c.send(reply(b"RE\x03"))
    run(cls, late, "m\r", b"X=RE\x03.", "Y=km.")

# Operation 31 on the client's console; ERR= of MENU_BAR and SYSTEM_HELP.
c = TtyClient()
c.lines("10 DEFTTY F (0)80,25", '20 PRINT (0,ERR=40)$1B$+"mn"+$1F00$', '30 PRINT "NO"+"ERR"; STOP',
        '40 PRINT "E=",ERR', '50 MENU_BAR 0,"x",ERR=60', '55 PRINT "NO"+"60"', '60 PRINT "A=",ERR',
        '70 SYSTEM_HELP "",ERR=80', '75 PRINT "NO"+"80"', '80 PRINT "B=",ERR',
        '90 DEFCTL F (0)-1004,"",ERR=100; STOP', '100 PRINT "C=",ERR; DEFCTL F -1004,6,ERR=130',
        '110 DEFCTL F -1004,99999,ERR=130; STOP', '130 PRINT "D=",ERR', "RUN")
check(c.wait_text("D= 41", 10), "ERR= of SYSTEM_HELP or DEFCTL not taken: %r" % c.text()[-200:], c)
check("B= 46" in c.text() and "C= 26" in c.text(), "ERR= of SYSTEM_HELP or DEFCTL: %r" % c.text()[-200:], c)
check("E= 29" in c.text() and "A= 41" in c.text(), "operation 31 or MENU_BAR's ERR=: %r" % c.text()[-200:], c)
check(not any(r.key() == "P " and b"mn" in r.payload for r in c.requests), "operation 31 was sent", c)
c.remove()

# The line editor on the terminal line: a delete inside a digit run of a
# string mask leaves the digit 0 at the run's end (Home is ctrl-A, Delete
# ctrl-D).
c = TtyClient()
c.lines("10 DEFTTY F (0)80,25", '20 INPUT X$:"000"', '30 PRINT "X=[",X$,"]"', "RUN")
check(c.wait_request("fn", 10), "no handshake", c)
c.until(lambda: False, 0.3)
c.type("123\x01\x04\r")
check(c.wait_text("X=[230]", 10), "a delete in a digit run: %r" % c.text()[-80:], c)
c.remove()

# Each menu request waits for the client's answer: while it is held back,
# the program goes no further.
held = []
c = Client()
c.handlers["N$"] = lambda r: held.append(r) or False
c.lines("10 DEFTTY F (0)80,25", '20 MENU_BAR 5,"&File,"', '30 PRINT "AFTER"+"DEF"', "40 MENU_BAR ON,7",
        '50 PRINT "AFTER"+"ON"', "60 MENU_BAR READ M$", '70 PRINT "M=",M$', "RUN")
check(c.wait_request("N$", 10), "no menu definition", c)
check(not c.wait_text("AFTERDEF", 1), "MENU_BAR DEF did not wait for its answer", c)
c.handlers["NY"] = lambda r: False
c.send(reply())
check(c.wait_text("AFTERDEF", 10) and c.wait_request("NY", 10), "no MENU_BAR ON", c)
check(not c.wait_text("AFTERON", 1), "MENU_BAR ON did not wait for its answer", c)
c.handlers["NR"] = lambda r: b"Edit"
c.send(reply())
check(c.wait_text("M=Edit", 10), "MENU_BAR READ took another answer: %r" % c.text()[-100:], c)
c.remove()
print("ok")
