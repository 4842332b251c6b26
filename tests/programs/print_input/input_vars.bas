REM VHLP is the HLP= text of the last INPUT (empty after an INPUT without
REM one); LIP counts the answers of INPUT and of OBTAIN (modulo 100 each);
REM MSE is a 32-byte record, zero before any mouse report but for byte 22.
REM INPUT EDIT on a console without the line editor takes the answer as
REM typed, and its default reaches no later input.
10 PRINT "LIP at start ",LIP
20 INPUT (0,HLP="type a name")"name? ",A$
30 PRINT "VHLP [",VHLP,"] LIP ",LIP
40 OBTAIN B$
50 PRINT "VHLP [",VHLP,"] LIP ",LIP," obtained ",B$
60 M$=MSE; PRINT "MSE length",LEN(M$)," byte 22",ASC(M$(22,1))," others",POS($00$<>M$(1,21))
70 A$="old"; X=5
80 INPUT EDIT "edit? ",A$,X
90 PRINT "edited ",A$," ",X
100 INPUT (0,HLP="12345678901234567890123456789012345678901",ERR=120)C$
110 PRINT "not here"
120 PRINT "HLP= over 40 characters: error",ERR
RUN
Ann
secret
new
6
