10 F$="create.work"; INVOKE "rm -f "+F$
20 KEYED F$,"[1:1:6],[2:1:4:""D""]",0,40
30 OPEN (1)F$
40 WRITE (1)"A00001","Bern"
50 WRITE (1)"A00002","Zug"
60 WRITE (1)"A00003","Chur"
70 WRITE (1)"A00004","Bern"
80 READ (1,KNO=1,KEY="",DOM=90)X$
90 READ (1,END=110)ID$,CITY$
100 PRINT ID$," ",CITY$; GOTO 90
110 PRINT "last city ",KEL(1)," first city ",KEF(1)
120 READ (1,KNO=0,KEY="A00002")ID$,CITY$
130 PRINT "by id: ",ID$," ",CITY$," then ",KEY(1)
140 WRITE (1)"A00002","Aarau"
145 READ (1,KNO=1,KEY="Aarau",ERR=150)ID$
150 READ (1,KNO=1,KEY="Aara")ID$
160 PRINT "Aara(u) is ",ID$,", a longer KEY= is error ",ERR
170 READ (1,KEY="Zug",DOM=190)ID$
180 PRINT "Zug still indexed"
190 PRINT "Zug no longer indexed"
200 CLOSE (1)
210 KEYED F$,"[1:1:6]",0,40,ERR=230
220 PRINT "made twice"
230 PRINT "a second KEYED of the same name: error ",ERR; ERASE F$
RUN
