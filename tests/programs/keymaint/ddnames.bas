REM Programs saved while a data dictionary is loaded name the variables of
REM its elements by the dictionary's references; loaded with the dictionary
REM they list and run under the element names (and the elements' access
REM bits), without it under the generated names "_DE.table.element".
REM Dictionary "dd": one table of two elements, SECRET (bit 2 to read and to
REM assign) and PLAIN (none), referenced in name order.
INVOKE "printf '\000\001\000\002\000\000\100\000\100\000\000\007\000\000\000\000\000\015\006SECRET\005PLAIN\000\002\000\000\000\002\000\000\000\001' > dd"
DICT LOAD "dd"
10 SECRET=5; PLAIN=6; OTHER=7; S$="text"
20 PRINT SECRET+PLAIN+OTHER," ",S$
SAVE "dprog"
INVOKE "if grep -q SECRET dprog; then echo the name is in the file; else echo the file holds the reference; fi"
DICT LOAD ""
LOAD "dprog"
LIST
RUN
DICT LOAD "dd"
LOAD "dprog"
LIST
RUN
REM Edited and saved again, the program keeps the references.
25 PRINT "edited"
SAVE "dprog"
LOAD "dprog"
RUN
REM The element's access bits travel into the variable.
SET_MASK OFF 2
RUN
REM A reference the dictionary lacks gets the generated name; one whose name
REM cannot be a variable's (here: empty) is error 49.
INVOKE "printf '\000\001\000\001\000\000\000\000\000\000\000\007\006SECRET\000\001\000\000\000\001' > dd2"
DICT LOAD "dd2"
LOAD "dprog"
LIST
INVOKE "printf '\000\001\000\001\000\000\000\000\000\000\000\001\000\000\000' > dd3"
DICT LOAD "dd3"
LOAD "dprog"
RUN
