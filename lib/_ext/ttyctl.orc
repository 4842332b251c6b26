0010 REM Control handler for a character terminal: DEFCTL OBJECT =NEW("TTYCTL")
0020 REM makes LIST_BOX and DROP_BOX definitions objects of class TTYLBOX that
0030 REM draw themselves with ordinary screen output and are bound to their
0040 REM control ids, so that the later operations and properties reach them.
0050 REM The definition text is a list of assignments to the properties.
1400 DEF CLASS "TTYCTL"
1410 PROPERTY CONTROLS
1420 FUNCTION LIST_BOX(D$)
1430 ENTER D$
1450 B=NEW("TTYLBOX"); B'DEFINE(D$); DEFCTL OBJECT B,B'CTLNO
1460 CONTROLS=CONTROLS+1
1469 RETURN
1470 FUNCTION END
1480 FUNCTION DROP_BOX(D$)
1490 ENTER D$
1510 B=NEW("TTYLBOX"); B'DROPPED=1; B'DEFINE(D$); DEFCTL OBJECT B,B'CTLNO
1520 CONTROLS=CONTROLS+1
1529 RETURN
1530 FUNCTION END
1540 END DEF
