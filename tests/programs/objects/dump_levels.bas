REM DUMP / inside a method a method called: each level shows the line its
REM call was made from, and each level where an object's code runs shows
REM that object.  An associative array shows its elements by key; a record
REM variable shows its definition.
10 DEF CLASS "A"
20 PROPERTY NAME$
30 FUNCTION GO()
40 NAME$="outer"
50 X=_OBJ'INNER()
60 RETURN X
70 FUNCTION END
80 FUNCTION INNER()
90 DUMP /
100 RETURN 1
110 FUNCTION END
120 END DEF
200 A=NEW("A")
210 T["b"]=2; T["a"]=1; U$["k"]="v"
220 R=A'GO()
230 END
SAVE "dl"
RUN
