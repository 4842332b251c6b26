REM KEY= on memory files whose key has a descending segment: the records
REM come in descending order of that segment, KEY= finds a record by the
REM value the program gives (not its stored, inverted form), and a KEY= that
REM finds none leaves the next READ at the record that follows it in the
REM key's order.
10 OPEN (1)"*memory*;KEYDEF=[1:1:3:""D""]"
20 WRITE (1)"bbb1"; WRITE (1)"aaa2"; WRITE (1)"ddd3"; WRITE (1)"ccc4"
30 READ (1,END=50)A$; PRINT A$," ",; GOTO 30
50 PRINT
60 READ (1,KEY="ccc")A$; PRINT "KEY=ccc: ",A$," next: ",KEY(1)
70 READ (1,KEY="bbz",DOM=80)A$; PRINT "found bbz?"
80 READ (1)A$; PRINT "after a missing bbz: ",A$
90 PRINT "first ",KEF(1)," last ",KEL(1)
100 CLOSE (1)
110 OPEN (1)"*memory*;KEYDEF=[1:1:2]+[1:3:2:""D""]"
120 WRITE (1)"AA01x"; WRITE (1)"AA09y"; WRITE (1)"AB05z"; WRITE (1)"AA05w"
130 READ (1,KEY="",DOM=140)
140 READ (1,END=160)A$; PRINT A$," ",; GOTO 140
160 PRINT
170 READ (1,KEY="AA05")A$; PRINT "KEY=AA05: ",A$
180 READ (1,KEY="AA07",DOM=190)A$; PRINT "found AA07?"
190 READ (1)A$; PRINT "after a missing AA07: ",A$
200 CLOSE (1)
RUN
