PRINT PRM('*R')
A=RND(-1); B=RND(1000); PRINT A, B
SET_PARAM -'*R'
PRINT PRM('*R')
C=RND(-1); D=RND(1000); E=RND(-1); F=RND(1000)
IF C=E AND D=F THEN PRINT "host sequence repeats"
IF A<>C OR B<>D THEN PRINT "host generator"
SET_PARAM '*R'
C=RND(-1); D=RND(1000); PRINT C, D
