REM a registration made while its program runs waits until the program
REM next becomes current: by CALL, by LOAD and RUN, by RUN with a name
10 EXECUTE "%F=%F+1" ON "pwa;40"
40 %L=%L+1
50 END
SAVE "pwa"
DELETE
CALL "pwa"
PRINT %F,%L
CALL "pwa"
PRINT %F,%L
EXECUTE "" ON "pwa;40"
%F=0; %L=0
LOAD "pwa"
RUN
PRINT %F,%L
RUN
PRINT %F,%L
EXECUTE "" ON "pwa;40"
%F=0; %L=0
RUN "pwa"
PRINT %F,%L
RUN "pwa"
PRINT %F,%L
EXECUTE "" ON "pwa;40"
REM a caller's registration for itself waits too, after its callee returns
DELETE
10 %L=%L+1
20 END
SAVE "pwn"
DELETE
10 EXECUTE "%F=%F+1" ON "pwb;LAB"
20 CALL "pwn"
30 LAB: %L=%L+1
40 EXIT
SAVE "pwb"
DELETE
%F=0; %L=0
CALL "pwb"
PRINT %F,%L
CALL "pwb"
PRINT %F,%L
REM a registration for another program takes effect when that one starts
DELETE
10 EXECUTE "%F=%F+10" ON "pwn;10"
20 CALL "pwn"
30 EXIT
SAVE "pwc"
DELETE
%F=0; %L=0
CALL "pwc"
PRINT %F,%L
REM replacing or removing an entry while its program runs waits as well
DELETE
10 EXECUTE "%F=%F+1000" ON "pwe;30"
20 EXECUTE "" ON "pwe;40"
30 %L=%L+1
40 %L=%L+10
50 END
SAVE "pwe"
DELETE
%F=0; %L=0
EXECUTE "%F=%F+1" ON "pwe;30"
EXECUTE "%F=%F+2" ON "pwe;40"
CALL "pwe"
PRINT %F,%L
CALL "pwe"
PRINT %F,%L
CALL "pwe"
PRINT %F,%L
