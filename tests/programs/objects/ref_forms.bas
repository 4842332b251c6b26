REM REF( with ADD, DROP, READ or no keyword: the count after the change;
REM READ and no keyword leave it as it stands (REF(h) lists as REF(READ h)).
10 DEF CLASS "R"
20 END DEF
30 H=NEW("R"); PRINT REF(H),REF(ADD H),REF(READ H),REF(DROP H),REF(H)
40 PRINT REF(READ H+0)
LIST 30,40
RUN
PRINT REF(12345)
