REM The callee: references come back, values do not; a whole array moves
REM to the callee and back; defaults fill missing arguments; a variable
REM bound to an integer variable is an integer variable itself.
10 ENTER N,S$,(V),A[ALL],J,D=7,E$="dflt"
20 N=N+1; S$=S$+"+"; V=V*100; A[2]=A[2]*2; J=2.75
30 PRINT "callee:",N,S$,V,A[2],J,D,E$
40 EXIT
SAVE "callee"
DELETE
10 N=1; S$="s"; V=3; DIM A[3]; A[2]=21
20 CALL "callee",N,S$,V,A[ALL],I%
30 PRINT "caller:",N,S$,V,A[2],I%
40 CALL "callee",N+0,(S$),V,A[ALL],I%,1,"given"
50 PRINT "caller:",N,S$,V,A[2],I%
60 END
RUN
REM The same string variable twice: the second is a copy.
DELETE
10 ENTER A$,B$
20 A$="first"; B$="second"
30 EXIT
SAVE "twice"
DELETE
10 X$="x"
20 CALL "twice",X$,X$
30 PRINT X$
RUN
REM Fewer items than arguments leave the rest; more need defaults.
DELETE
10 ENTER A
20 PRINT "got",A
30 EXIT
SAVE "one"
DELETE
10 ENTER A,B
20 EXIT
SAVE "two"
CALL "one",1,2,3
CALL "two",1
CALL "two","text",1
REM ENTER outside a called program, an array without [ALL], a number for a string.
ENTER A
DELETE
10 ENTER A[ALL]
20 EXIT
SAVE "wantsarray"
DIM Q[2]
CALL "wantsarray",Q
CALL "wantsarray",Q[ALL]
CALL "one","x"
CALL "one",*
