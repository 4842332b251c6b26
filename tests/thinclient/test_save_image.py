# The screen-image form of SAVE with a client attached: SAVE (0) name asks
# the client to save the picture of its console screen, SAVE (ch) name the
# picture of a client channel (its pending output sent first): 'F' 'S' with
# the channel's client handle (0 for the console) and the name, no reply
# awaited.  A bracketed program name after SAVE is still a program name.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402

c = Client(level=12)
c.handlers["FO"] = lambda r: struct.pack(">HH", 7, 256)
c.lines("10 DEFTTY F (0)80,25",
        '20 SAVE (0)"screen.bmp"',
        '30 OPEN (1)"[vrl]LPT1"',
        '40 PRINT (1)"pending",',
        '50 SAVE (1,ERR=100)"c:\\pics\\page.bmp"',
        '60 SAVE (1)"",ERR=110',
        '70 CLOSE (1)',
        '80 SAVE ("pr"+"og")',
        '90 PRINT "DO"+"NE"; END',
        '100 PRINT "E50 ",ERR; GOTO 60',
        '110 PRINT "E60 ",ERR; GOTO 70',
        "RUN")
check(c.wait_text("DONE"), "the program did not end: %r" % bytes(c.output), c)
keys = [r.key() for r in c.requests if r.key()[0] == "F"]
check(keys == ["FS", "FO", "Fp", "FS", "FC"], "requests: %r" % keys, c)
saves = [r for r in c.requests if r.key() == "FS"]
check(saves[0].items("is") == [0, b"screen.bmp"], "console picture: %r" % saves[0].items("is"), c)
check(saves[1].items("is") == [7, b"c:\\pics\\page.bmp"], "channel picture: %r" % saves[1].items("is"), c)
check(not saves[0].awaits and not saves[1].awaits, "a picture request awaited a reply", c)
flushed = [r for r in c.requests if r.key() == "Fp"][0].items("is")[1]
check(flushed == b"pending", "pending output not sent first: %r" % flushed, c)
check(b"E50  " not in c.output, "an accepted picture took its ERR= branch", c)
check(b"E60  10" in c.output, "an empty name was not error 10: %r" % bytes(c.output), c)
check(os.path.exists(os.path.join(c.scratch, "prog")), "SAVE (name) did not save the program", c)
c.finish()
c.remove()
