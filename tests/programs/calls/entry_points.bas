REM Entry points: ";#line" starts at a line (or the next one), ";label" at a
REM label (blanks around it ignored), a bare ";" at the first line.  END
REM in a called program returns like EXIT.
10 PRINT "first line"; END
100 PRINT "line 100"; END
200 TOTALS: PRINT "label TOTALS"; END
SAVE "entries"
DELETE
10 CALL "entries;#100"
20 CALL "entries;#150"
30 CALL "entries; totals "
40 CALL "entries;"
50 CALL "entries;nowhere",ERR=70
60 END
70 PRINT "missing label:",ERR
RUN
REM RUN and LOAD take entry points too.
RUN "entries;#100"
LOAD "entries;totals"
RUN
REM PERFORM shares the caller's variables: what the performed program
REM makes stays; DOM= takes a missing label.
DELETE
10 A=A*2; NEW$="made by the performed program"; EXIT
SAVE "doubler"
DELETE
10 A=21
20 PERFORM "doubler"
30 PRINT A,NEW$
40 PERFORM "doubler;nolabel",DOM=60
50 END
60 PRINT "DOM= took",ERR
RUN
