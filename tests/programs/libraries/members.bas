REM Program libraries: every form on a library of a few members
10 PRINT "main runs"
20 CALL "[lib:shop]sub",X,ERR=90
30 PRINT "X=",X
40 END
90 PRINT "call failed with error",ERR
SAVE "[lib:shop]main"
DELETE
10 ENTER X
20 X=X+42
30 EXIT
SAVE "[lib:shop]sub"
DELETE
RUN "[lib:shop]main"
LOAD "[lib:shop]sub"
LIST
DELETE
REM the member channel: bytes of the record from the key on
OPEN (1)"[lib:shop]main"
PRINT IND(1)
READ RECORD (1,SIZ=4)A$
PRINT LEN(A$),IND(1)
READ RECORD (1,IND=0,SIZ=4)A$
PRINT A$
READ RECORD (1,IND=32,SIZ=8)A$
PRINT A$
READ RECORD (1,IND=288,SIZ=100000)A$
PRINT "the last piece is shorter:",LEN(A$)<100000,IND(1)-288=LEN(A$)
READ RECORD (1,SIZ=10)A$
WRITE RECORD (1)"x"
CLOSE (1)
REM malformed names and missing members
OPEN (1)"[lib:shop"
OPEN (1)"[lib:shop]/etc/passwd"
OPEN (1)"[lib:shop][x]"
OPEN (1)"[lib:shop]c:x"
OPEN (1)"[lib:shop]nosuch"
OPEN (1)"[lib:nolib]x"
REM PROGRAM makes an empty member; a second time it exists
PROGRAM "[lib:shop]blank"
PROGRAM "[lib:shop]blank"
RUN "[lib:shop]blank"
REM RENAME: onto an existing member is refused; a bare or a full new name
RENAME "[lib:shop]blank","sub"
RENAME "[lib:shop]blank","[lib:other]x"
RENAME "[lib:shop]blank","renamed"
RENAME "[lib:shop]renamed","[lib:shop]again"
OPEN (1)"[lib:shop]again"; PRINT "again is there"; CLOSE (1)
OPEN (1)"[lib:shop]blank"
RENAME "[lib:shop]nosuch","x"
RENAME "[lib:shop]again","/x"
REM ERASE of a member; the calling program then misses it
ERASE "[lib:shop]again"
ERASE "[lib:shop]again"
ERASE "[lib:shop]sub"
RUN "[lib:shop]main"
REM SAVE without a name writes to the member loaded
LOAD "[lib:shop]main"
15 PRINT "changed"
SAVE
DELETE
RUN "[lib:shop]main"
DELETE
REM a name of 40 characters makes a library keyed on 64 bytes
10 PRINT "long member"
SAVE "[lib:long]a_member_name_of_exactly_forty_characters"
DELETE
OPEN (1)"[lib:long]a_member_name_of_exactly_forty_characters"
PRINT IND(1)
CLOSE (1)
REM a library is a keyed file: its members read by key
OPEN (1)"long"
K$=KEF(1)
PRINT LEN(K$),K$(1,41)
READ RECORD (1,KEY=K$)A$
PRINT LEN(A$)>320,A$(65,8)
CLOSE (1)
REM a file that is not a library
SERIAL "plain"
OPEN (1)"[lib:plain]x"
REM with PL 2 a third library closes the first opened
SET_PARAM 'PL'=2
10 PRINT "in lib a"
SAVE "[lib:la]p"
10 PRINT "in lib b"
SAVE "[lib:lb]p"
10 PRINT "in lib c"
SAVE "[lib:lc]p"
DELETE
RUN "[lib:la]p"
RUN "[lib:lb]p"
RUN "[lib:lc]p"
DELETE
SET_PARAM 'PL'=0
RUN "[lib:la]p"
