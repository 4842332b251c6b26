# Message boxes and the clipboard on the thin client: MSGBOX sends its text,
# title and options and assigns the client's answer; CLIPBOARD READ assigns
# the client's text, WRITE sends one, another keyword sends nothing.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402

c = Client(level=12, caps=2)
c.handlers["? "] = lambda r: b"YES"
c.handlers["+R"] = lambda r: b"clip"
c.lines('10 DEFTTY F (0)80,25', '20 MSGBOX "Sure?","Title","YN",A$',
        '30 CLIPBOARD READ C$; CLIPBOARD WRITE "put"; CLIPBOARD RESET', '40 MSGBOX "only"',
        '50 PRINT "DONE ",A$,C$', 'RUN')
check(c.wait_text("DONE YESclip", 10), "answers not assigned", c)
got = [(r.key(), r.payload) for r in c.requests if r.key() in ("? ", "+R", "+W")]
want = [("? ", b"\x00\x05Sure?\x00\x05Title\x00\x02YN"), ("+R", b""), ("+W", b"\x00\x03put"),
        ("? ", b"\x00\x04only\x00\x00\x00\x00")]
check(got == want, "requests %r" % got, c)
c.finish()
c.remove()
print("ok")
