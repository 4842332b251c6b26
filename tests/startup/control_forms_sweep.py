#!/usr/bin/env python3
"""A sweep of the forms of ACCEPT, the buttons, the list-box family and the
directives that end with ", ERR=line" (SETMSE, MESSAGE_LIB, PRECISION, DFMT,
SETCTL, MNEMONIC, LNSW, LOAD, SAVE), and of the number literal spellings.

Each form the grammar takes must compile, list back to text that compiles to
the same bytes, and run on a text terminal without stopping with 20 (syntax)
or 49 (internal code error); each form outside the grammar must be a syntax
error when the line is entered.  The whole set, entered as a program, must
list the same after SAVE and LOAD, and its listing entered again must save
to the same bytes.

usage: control_forms_sweep.py oru scratch-dir
Prints the figures; exits 1 when a form breaks the rule.
"""
import concurrent.futures
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from keyword_sweep import session  # noqa: E402  (one console session)

OK, BAD = [], []


def ok(*f):
    OK.extend(f)


def bad(*f):
    BAD.extend(f)


# ACCEPT
ok('ACCEPT (0,TIM=0,EVT=9000)A$', 'ACCEPT (0,SIZ=1,TIM=0,EVT=9000,END=9000,ERR=9000)A$',
   'ACCEPT (0,TIM=0,ERR=9000)A$[1]', 'ACCEPT (0,ERR=9000,TIM=0,EVT=9000)A$', 'ACCEPT (77,ERR=9000)A$',
   'ACCEPT (0,END=9000,TIM=0,EVT=9000)A$', 'ACCEPT (1+1-2,TIM=0,EVT=9000)A$', 'ACCEPT (0,TIM=0,EVT=9000)R.F$')
bad('ACCEPT', 'ACCEPT A', 'ACCEPT (0)', 'ACCEPT (0,KEY="a")A$', 'ACCEPT (0,IND=1)A$', 'ACCEPT A$,B$',
    'ACCEPT "a"', 'ACCEPT (0,)A$', 'ACCEPT (0,OPT="x")A$', 'ACCEPT (0,DOM=9000)A$', 'ACCEPT (0)A$,ERR=9000',
    'ACCEPT (0,SIZ=)A$', 'ACCEPT (0)A$(1)x', 'ACCEPT (0)A$ 1')
# buttons
for kw in ('BUTTON', 'CHECK_BOX', 'TRISTATE_BOX', 'RADIO_BUTTON'):
    ids = ['5', '/5'] + (['8:3', '/8:3'] if kw == 'RADIO_BUTTON' else [])
    st = 'S' if kw == 'RADIO_BUTTON' else 'S$'
    for i in ids:
        for op in ('OFF', 'ON', 'GOTO', 'REMOVE', 'DISABLE', 'ENABLE', 'SHOW', 'HIDE', 'NEXT,7', 'WRITE,"1"', 'WRITE,""'):
            ok('%s %s,%s' % (kw, i, op), '%s %s,%s,ERR=9000' % (kw, i, op))
        if kw == 'BUTTON':
            ok('%s %s,READ,K' % (kw, i), '%s %s,READ,K$,ERR=9000' % (kw, i))
            bad('%s %s,READ,S$,K' % (kw, i))
        else:
            ok('%s %s,READ,%s' % (kw, i, st), '%s %s,READ,%s,K,ERR=9000' % (kw, i, st), '%s %s,READ,%s,ERR=9000' % (kw, i, st))
            bad('%s %s,READ,%s,K,L' % (kw, i, st))
        d = '%s %s,1,1,10,1,"OK"' % (kw, i)
        ok(d, d + ',ERR=9000', d + ',OPT="G"', d + ',FNT="f"', d + ',FNT=/', d + ',TIP="t"', d + ',MSG="m"',
           d + ',MNU=3', d + ',XT1="x"', d + ',TBL="NY"', d + ',OPT="x",FNT=/,TIP="t",MSG="m",MNU=3,XT1="x",ERR=9000',
           '%s %s,1+1,-1,10,1,"O"+"K"' % (kw, i))
        for o in ('KEY="a"', 'FMT="x"', 'NUL="x"', 'MAX=3', 'XT2="x"', 'DLM=","', 'SIZ=1', 'IND=1', '"x"', '5', ''):
            bad(d + ',' + o)
        for op in ('', ',READ', ',NEXT', ',WRITE', ',OFF,1', ',ON,7', ',SELECT', ',AUTO', ',LOAD,"a"', ',CLEAR',
                   ',FOO', ',1,1,10,1', ',1,1,10', ',NEXT,7,8', ',WRITE,"1","2"', ',GOTO,1', ',ADD,1,2'):
            bad('%s %s%s' % (kw, i, op))
    bad(kw, kw + ' ,OFF')
bad('CHECK_BOX 5:3,OFF', 'BUTTON 5:3,OFF', 'TRISTATE_BOX 5:3,1,1,10,1,"x"')
# list family
for kw in ('LIST_BOX', 'VARLIST_BOX', 'DROP_BOX', 'VARDROP_BOX', 'MULTI_LINE'):
    d = '%s 101,1,2,10,3' % kw
    opts = ['KEY="a"', 'OPT="x"', 'TBL="t"', 'FNT="f"', 'FNT=/', 'TIP="t"', 'MSG="m"', 'FMT="f"', 'NUL="-"',
            'DLM=","', 'MNU=2', 'MAX=9', 'XT1="x"', 'ERR=9000']
    ok(d, *[d + ',' + o for o in opts], d + ',' + ','.join(opts))
    (ok if kw == 'MULTI_LINE' else bad)(d + ',XT2="x"')
    for o in ('"cap"', 'SIZ=1', 'IND=1', '5', '', 'KEY=', 'ERR=9000,KEY="a"'):
        bad(d + ',' + o)
    ops = ['ADD,1,2', 'AUTO', 'DISABLE', 'ENABLE', 'SHOW', 'HIDE', 'GOTO', 'LOCK', 'UNLOCK', 'REMOVE', 'SELECT RESET',
           'CLEAR,1,2', 'CLEAR,1,2,3,4', 'DELETE,1,2', 'SELECT,1,2', 'SELECT,1,2,3,4', 'SELECT READ,C,L',
           'SELECT READ NEXT,C,L', 'FIND,1,X$', 'LOAD,"a,b,"', 'LOAD,L$[ALL]', 'LOAD,1,"x"', 'LOAD,1,/', 'NEXT,5',
           'READ,X$', 'READ,X$,K', 'READ,N', 'READ NEXT,X$', 'READ NEXT,X$,K$', 'WRITE,"x"', 'WRITE,1', 'LOAD,0,"x"',
           'READ,X$[1],K[1]', 'FIND,1,X$[2]']
    for op in ops:
        ok('%s 101,%s' % (kw, op), '%s 101,%s,ERR=9000' % (kw, op))
    # the same forms on a control that exists
    for op in ops:
        ok('%s; %s 101,%s' % (d, kw, op))
    for op in ('', ',OFF', ',ON', ',READ', ',FIND,1', ',CLEAR,1', ',CLEAR,1,2,3', ',DELETE,1', ',ADD,1', ',SELECT READ,C',
               ',GOTO,1', ',LOCK,1', ',NEXT', ',WRITE', ',READ,X$,K,L', ',SELECT READ,C,L,M', ',FIND,1,X$,Y$',
               ',LOAD,1,/,2', ',LOAD,L$[ALL],1', ',SELECT RESET,1', ',AUTO,1', ',REMOVE,1', ',FIND,1,"x"', ',READ,"x"',
               ',1,2,10', ',SELECT NEXT', ',READ READ,X$', ',LOAD', ',FOO', ',WRITE,1,2', ':3,OFF', ',SELECT,1'):
        bad('%s 101%s' % (kw, op))
    bad(kw, kw + ' /101,1,2,10,3')
# directives taking ,ERR= after every form
ok('SETMSE =', 'SETMSE /=', 'SETMSE =,ERR=9000', 'SETMSE CLEAR', 'SETMSE /CLEAR,ERR=9000', 'SETMSE /=,ERR=9000',
   'SETMSE @(0,0,10,1),5', 'SETMSE @(0,0,10,1),5,ERR=9000', 'SETMSE @(/),RELEASE 5,ERR=9000', 'SETMSE "a",5,ERR=9000')
bad('SETMSE', 'SETMSE =,5', 'SETMSE CLEAR,5', 'SETMSE =,ERR=', 'SETMSE = 5')
ok('MESSAGE_LIB POP', 'MESSAGE_LIB POP,ERR=9000', 'MESSAGE_LIB "nofile",ERR=9000', 'MESSAGE_LIB ADD "nofile",ERR=9000',
   'MESSAGE_LIB DROP "nofile",ERR=9000', 'MESSAGE_LIB ADD,"nofile",ERR=9000')
bad('MESSAGE_LIB POP "a"', 'MESSAGE_LIB POP,1', 'MESSAGE_LIB POP,ERR=')
ok('PRECISION 2', 'PRECISION 2,ERR=9000', 'PRECISION -5,ERR=9000', 'PRECISION 1/0,ERR=9000')
bad('PRECISION', 'PRECISION 2,3', 'PRECISION 2,')
ok('DFMT', 'DFMT ,ERR=9000', 'DFMT "YYYY"', 'DFMT "YYYY",ERR=9000', 'DFMT READ A$', 'DFMT READ A$,ERR=9000', 'DFMT 5,ERR=9000')
bad('DFMT ,', 'DFMT "a","b"', 'DFMT READ', 'DFMT ,ERR=9000,1')
ok('SETCTL', 'SETCTL ,ERR=9000', 'SETCTL 5,9000', 'SETCTL 5,9000,ERR=9000', 'SETCTL 5,9000,6,0,ERR=9000', 'SETCTL 5,0')
bad('SETCTL 5', 'SETCTL ,', 'SETCTL 5,9000,6')
ok('MNEMONIC (0)', 'MNEMONIC (0),ERR=9000', 'MNEMONIC (77),ERR=9000', "MNEMONIC (0)'XX',\"a\"",
   "MNEMONIC (0)'XX',\"a\",ERR=9000", "MNEMONIC (77)'XX',\"a\",ERR=9000", "MNEMONIC 'XX',\"a\",ERR=9000")
bad('MNEMONIC (0),', "MNEMONIC (0)'XX'", 'MNEMONIC (0),ERR=9000,1')
ok('LNSW', 'LNSW ,ERR=9000', 'LNSW 77,ERR=9000', 'LNSW "/nonexistent/x",ERR=9000')
bad('LNSW ,', 'LNSW 1,2')
ok('LOAD ,ERR=9000', 'LOAD "nofile",ERR=9000', 'SAVE ,ERR=9000', 'SAVE "/nonexistent/x",ERR=9000', 'SAVE EDIT ,ERR=9000',
   'SAVE "/nonexistent/x",5,ERR=9000')
bad('LOAD ,', 'LOAD "a","b"', 'SAVE ,')


def literals():
    """Integer, fraction and exponent parts, zeros among them."""
    out = set()
    for ip in ['', '0', '00', '1', '10', '65535', '65536', '123456789012345', '1234567890123456789']:
        for fp in [None, '', '0', '00', '5', '05', '50', '000001', '12345678901234567890']:
            for ex in [None, 'E0', 'E5', 'E-5', 'E+3', 'e2', 'E100', 'E-100', 'E120', 'E-120']:
                s = ip + ('' if fp is None else '.' + fp) + ('' if ex is None else ex)
                if s and s != '.' and s[0] not in 'Ee' and not s.lower().startswith('.e'):
                    out.add(s)
    return sorted(out)


def q(s):
    return '"' + s.replace('"', '""') + '"'


def compile_list(oru, forms, cwd):
    """Per form: S (lists back to the same bytes), D (to other bytes), X (the
    listing does not compile) or R and the error (refused)."""
    lines = ['1 GOTO 100', '10 A$=CPL("100 "+F$,ERR=20); L$=LST(A$); B$=CPL(L$,ERR=30)',
             '12 IF A$=B$ THEN PRINT "#S ",N ELSE PRINT "#D ",N," ",L$',
             '14 RETURN', '20 PRINT "#R ",N," ",ERR; RETURN', '30 PRINT "#X ",N," ",L$," ",ERR; RETURN']
    for n, f in enumerate(forms):
        lines.append('%d N=%d; F$=%s; GOSUB 10' % (100 + n, n, q(f)))
    out = session(oru, '\n'.join(lines) + '\nRUN\n', cwd, 90)
    return {int(m.group(2)): (m.group(1), m.group(3).strip())
            for m in re.finditer(r'#([SDRX])\s+(\d+)(.*)', out)}


def run_form(oru, form, cwd):
    text = ('1 DIM L$[3],A$[3],X$[3],K[3]; L$[1]="a"; L$[2]="b"\n10 %s\n20 PRINT "#OK"\n30 END\n'
            '9000 PRINT "#TAKEN",ERR\n9010 END\nRUN\nPRINT "#ERR",ERR\n' % form)
    out = session(oru, text, cwd, 10)
    m = re.search(r'#ERR\s*(\d+)', out)
    t = re.search(r'#TAKEN\s*(\d+)', out)
    return (int(m.group(1)) if m else None), (int(t.group(1)) if t else None), '#TIMEOUT' in out


def listing(out):
    """The program lines LIST printed (a wrapped line goes on in "nnnn:")."""
    rows = []
    for l in re.split(r'\n-[>:]LIST\n', out)[-1].split('\n'):
        if re.match(r'^\d{4,5} ', l):
            rows.append(l)
        elif re.match(r'^\d{4,5}:', l) and rows:
            rows[-1] += l.split(':', 1)[1]
    return rows


def save_load(oru, lines, cwd):
    t1 = listing(session(oru, '\n'.join(lines) + '\nLIST\nSAVE "p"\n', cwd, 90))
    t2 = listing(session(oru, 'LOAD "p"\nLIST\n', cwd, 90))
    session(oru, '\n'.join(t1) + '\nSAVE "q"\n', cwd, 90)
    with open(os.path.join(cwd, 'p'), 'rb') as a, open(os.path.join(cwd, 'q'), 'rb') as b:
        same = a.read()[120:] == b.read()[120:]  # past the header's time stamp
    return t1, t2, same


def main():
    oru, scratch = sys.argv[1:3]
    lits = literals()
    forms = OK + ['X=' + l for l in lits]
    everything = forms + BAD
    res = compile_list(oru, everything, scratch)
    fail = []
    for n, f in enumerate(everything):
        r = res.get(n)
        accepted = n < len(forms)
        if r is None:
            fail.append('no result: %s' % f)
        elif accepted and r[0] == 'R' and not f.startswith('X='):
            fail.append('refused (%s): %s' % (r[1], f))
        elif accepted and r[0] in 'DX':
            fail.append('listed as other bytes: %s -> %s' % (f, r[1]))
        elif not accepted and r[0] != 'R':
            fail.append('accepted: %s' % f)
    compiled = [f for n, f in enumerate(OK) if res.get(n, ('R',))[0] != 'R']

    def job(item):
        i, f = item
        d = os.path.join(scratch, 'r%d' % i)
        os.makedirs(d, exist_ok=True)
        return f, run_form(oru, f, d)

    stops = {20: 0, 49: 0}
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        for f, (err, taken, timeout) in pool.map(job, enumerate(compiled)):
            stop = err if err in (20, 49) else taken if taken in (20, 49) else None
            if stop:
                stops[stop] += 1
            if stop or timeout:
                fail.append('ran: %s -> error %s, ERR= took %s%s' % (f, err, taken, ' (hung)' if timeout else ''))

    kept = [f for n, f in enumerate(forms) if res.get(n, ('R',))[0] != 'R']
    d = os.path.join(scratch, 'saved')
    os.makedirs(d, exist_ok=True)
    t1, t2, same = save_load(oru, ['%d %s' % (1000 + i, f) for i, f in enumerate(kept)], d)
    if len(t1) != len(kept) or t1 != t2:
        fail.append('LOAD lists %d lines of %d otherwise' % (sum(a != b for a, b in zip(t1, t2)), len(kept)))
    if not same:
        fail.append('the listing entered again saves to other bytes')
    print('forms tried %d (%d in the grammar, %d outside it, %d literals); compiled %d; run %d: stops with '
          '20: %d, with 49: %d; SAVE/LOAD round trip of %d lines' %
          (len(everything), len(OK), len(BAD), len(lits), len(compiled), len(compiled), stops[20], stops[49],
           len(kept)))
    for f in fail:
        print('FAILED ' + f)
    return 1 if fail else 0


if __name__ == '__main__':
    sys.exit(main())
