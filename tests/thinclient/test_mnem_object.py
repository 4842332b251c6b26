# The "Mnemonics" service object of a control handler: long mnemonics and
# 'CS' printed to the console become calls of its methods with the
# parameters as arguments ("Caption", "Text", "ClearScreen"; "DropObjects"
# gets the current window's corners); a method that returns 0 leaves the
# mnemonic to its ordinary route (the client gets it), as does one the
# object lacks; with the handler suspended every mnemonic goes to the
# client again.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402

c = Client(level=12, caps=2)
c.lines('10 DEF CLASS "MN"', '20 FUNCTION CAPTION(T$)', '30 ENTER T$; PRINT "caption ",T$', '40 RETURN 1',
        '50 FUNCTION END', '60 FUNCTION CLEARSCREEN()', '70 PRINT "clear screen"', '80 RETURN 0',
        '90 FUNCTION END', '100 FUNCTION TEXT(X,Y,W,H,S$,F$)',
        '110 ENTER X,Y,W,H,S$,F$; PRINT "text",X,Y,W,H," ",S$,"|",F$', '120 RETURN 1', '130 FUNCTION END',
        '131 FUNCTION DROPOBJECTS(L,T,R,B)', '132 ENTER L,T,R,B; PRINT "drop objects",L,T,R,B', '133 RETURN 1',
        '134 FUNCTION END', '140 END DEF', 'SAVE "MN.orc"', 'DELETE',
        '10 DEF CLASS "HM"', '20 PROPERTY MNEMONICS', '30 END DEF', 'SAVE "HM.orc"', 'DELETE',
        '10 DEFTTY F (0)80,25', '20 H=NEW("HM"); H\'MNEMONICS=NEW("MN"); DEFCTL OBJECT =H',
        '30 PRINT CAP("Title"); PRINT \'CS\',"after"; PRINT TXT(1,2,30,4,"hello"); PRINT FNT("Arial",10)',
        '35 PRINT \'DO\',; PRINT WDW(10,5,40,8),\'DO\',; PRINT WDW(30,2,40,6,0,"T"),\'DO\',',
        '36 PRINT \'SB\'+DRP(/)+DRP(/),',
        '40 DEFCTL OBJECT =DISABLE; PRINT CAP("again"); PRINT "EN"+"D"', 'RUN')
check(c.wait_text("END\x1b", 15), "the program did not end", c)
out = c.output
check(b"caption Title" in out, "Caption not called", c)
check(b"clear screen" in out and b"\x1bCS" in out, "ClearScreen returning 0 did not pass the mnemonic on", c)
check(b"text 1 2 30 4 hello|" in out, "Text not called with its parameters", c)
check(b"\x1bmn\x15\x06\x05Title" not in out, "the caption the object took also reached the client", c)
check(b"drop objects 0 0 79 24" in out, "DropObjects not called with the screen's corners", c)
# A window's corners are screen positions of its text area, inside any frame.
check(b"drop objects 10 5 49 12" in out, "DropObjects not called with the window's corners on the screen", c)
check(b"drop objects 31 3 68 6" in out, "DropObjects not called with the framed window's text area", c)
check(b"\x1bmn\x12" in out, "FNT( (no Font method) did not reach the client", c)
check(b"\x1bmn\x15\x06\x05again" in out, "the suspended handler still took the caption", c)
c.finish()
c.remove()
print("ok")
