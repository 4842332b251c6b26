REM Message libraries: keyed files whose records give MSG( its templates.
REM A record's text follows its key field; the first separator ends the key.
KEYED "msgs_a",10,0,-80; KEYED "msgs_b",10,0,-80
OPEN (1)"msgs_a"; WRITE (1,KEY="GREET")"GREET","Hello %1 from a"; WRITE (1,KEY="ONLYA")"ONLYA","only in a"; CLOSE (1)
OPEN (1)"msgs_b"; WRITE (1,KEY="GREET")"GREET","Hello %1 from b"; WRITE (1,KEY="ONLYB")"ONLYB","only in b %1"; CLOSE (1)
PRINT MSG("GREET","you")
MESSAGE_LIB "msgs_a"+$8A$+"msgs_b"
REM The list is opened from its last name to its first: msgs_a is current.
PRINT MSG("GREET","you"); PRINT MSG("ONLYB","x"); PRINT MSG("ONLYA")
PRINT MSG("NOWHERE","x")
X$=MSG(/); PRINT LEN(X$),POS($8A$=X$,1,0)
MESSAGE_LIB POP
PRINT MSG("GREET","you")
MESSAGE_LIB ADD "msgs_a"
PRINT MSG("GREET","you")
MESSAGE_LIB DROP "msgs_b"
PRINT MSG("ONLYB","y")
MESSAGE_LIB DROP "msgs_b"
MESSAGE_LIB ADD ""
MESSAGE_LIB ADD "no_such_library"
MESSAGE_LIB POP
MESSAGE_LIB POP
PRINT MSG(/)="",MSG("GREET","z")
REM Without a keyword every open library is closed first.
MESSAGE_LIB "msgs_a"; MESSAGE_LIB "msgs_b"; PRINT MSG("ONLYA","q")
MESSAGE_LIB ""; PRINT MSG("ONLYB","q")
