"""Writes a random program of 30 numbered lines (statements of every kind the
console knows, mixed without regard to sense) followed by RUN, CONTINUE, RUN
and LIST.  Usage: random_program.py SEED"""
import random, sys
random.seed(int(sys.argv[1]))
atoms = ['X','Y','A$','B$','I','N','A[1]','A[I]','B$[2]','1','0','-1','2.5','1E3','"ab"','""','"x,y,"','A$(2)','A$(1,2)','LEN(A$)','POS("b"=A$)','MID(A$,2)','STR(X)','NUM("12")','ABS(X)','INT(2.7)','X%','%G','DTE(0)','JUL(2020,1,1)','ERR','TIM','DAY','PRM("D0")']
ops = ['+','-','*','/','^',' MOD ','=','<>','<','>',' AND ',' OR ']
def expr(d=0):
    if d>2 or random.random()<0.4: return random.choice(atoms)
    if random.random()<0.2: return '('+expr(d+1)+')'
    return expr(d+1)+random.choice(ops)+expr(d+1)
stmts = [lambda: 'X='+expr(), lambda: 'A$='+expr(), lambda: 'PRINT '+expr()+','+expr(),
 lambda: 'IF '+expr()+' THEN PRINT 1 ELSE PRINT 2', lambda: 'FOR I=1 TO '+random.choice(['3','0','-2','N']),
 lambda: 'NEXT I', lambda: 'GOSUB '+str(random.randint(1,30)*10), lambda: 'RETURN', lambda: 'GOTO '+str(random.randint(1,30)*10),
 lambda: 'DIM A['+random.choice(['5','0','-1','3,3','100'])+']', lambda: 'DIM B$[3]', lambda: 'REDIM A[7]',
 lambda: 'WHILE '+expr(), lambda: 'WEND', lambda: 'REPEAT', lambda: 'UNTIL '+expr(), lambda: 'SWITCH X', lambda: 'CASE 1,2',
 lambda: 'DEFAULT', lambda: 'END SWITCH', lambda: 'BREAK', lambda: 'CONTINUE', lambda: 'POP', lambda: 'SETERR '+str(random.randint(1,30)*10),
 lambda: 'SETERR 65002', lambda: 'RETRY', lambda: 'ON X GOTO 10,20', lambda: 'LOCAL X', lambda: 'CLEAR', lambda: 'X++', lambda: 'A$=A$+"z"',
 lambda: 'DEF FNA(Z)=Z*2', lambda: 'PRINT FNA(3)', lambda: 'END', lambda: 'STOP', lambda: 'EXITTO 10', lambda: 'ESCAPE 5', lambda: 'PRECISION 4',
 lambda: 'RENUMBER', lambda: 'DELETE 50', lambda: 'LIST 10,30', lambda: 'FOR W$=A$', lambda: 'NEXT W$', lambda: 'END IF']
lines=[]
for n in range(1,31):
    k=random.randint(1,3)
    lines.append('%d %s' % (n*10, '; '.join(random.choice(stmts)() for _ in range(k))))
lines.append('RUN')
lines.append('CONTINUE')
lines.append('RUN')
lines.append('LIST')
print('\n'.join(lines))
