#!/usr/bin/env python3
"""A sweep of the language: every statement keyword of the lexicon with a
set of operand shapes, every function with a set of argument lists.  Each
form is entered as a program line; the forms the compiler takes are then run,
each in its own process.  A form that compiles must run or stop with its own
error: never with 49 (internal code error), and a statement never with 20
(syntax) from a form its grammar took.

usage: keyword_sweep.py oru keywords.txt scratch-dir
Prints the figures; exits 1 when a form breaks the rule.
"""
import concurrent.futures
import os
import re
import subprocess
import sys

STATEMENT_SHAPES = ['', ' 1', ' "a"', ' A', ' A$', ' (1)', ' (0)"a"', ' 1,2', ' "a","b"', ' OFF', ' ON',
                    ' 1,ERR=9000', ' (77)1,2,ERR=9000', ' READ A$', ' 1,', ' READ', ' WRITE "a"', ' 1,2,3',
                    ' ON 1', ' ON 1,2', ' CONTROL 1', ' CONTROL 1,2,3', ' READ A$,B$']
FUNCTION_SHAPES = ['()', '(1)', '("a")', '(1,2)', '("a","b")', '(1,2,3)', '(A$)', '(A)', '(1,"a")', '("a",1)',
                   '("a",1,2)', '(1,ERR=9000)', '("a",1,1,1,1)']

# Operands that are source text compiled as the statement runs: their own 20
# is the text's, not the statement's.
SOURCE_TEXT = {'EXECUTE', 'EVN(', 'EVS(', 'CPL(', 'XEQ(', 'PROCESS'}
# So are a key definition given as a text (its own shape errors are 20) and
# the statement text a mouse region runs.
TEXT_20 = {'KEYED "a","b"', 'DIRECT "a","b"', 'CREATE "a","b"', 'SETMSE "a","b"'}

# Statements whose operands are still read as plain tokens when the line is
# entered (their forms are checked as they run).  Each leaves this list once
# its own grammar is written; a 20 or 49 of theirs is reported, not failed.
PLAIN_TOKENS = {
}
# Forms still open (reported on every run, not failed, until their grammars
# take them): none now.
OPEN_FORMS = set()

# Functions' argument counts are checked when the line is compiled: their
# forms are enforced too (ORU_SWEEP_FUNCTIONS=0 reports them only).
ENFORCE_FUNCTIONS = os.environ.get('ORU_SWEEP_FUNCTIONS', '1') != '0'


def keywords(path):
    stmts, fncs = [], []
    for line in open(path, encoding='latin-1'):
        line = line.split('#', 1)[0].strip() if not line.lstrip().startswith('"') else line.strip()
        if not line:
            continue
        m = re.match(r'("(?:[^"]|"")*"|\S+)\s+(\d+)\s+(\d+)\s+(\d+)', line)
        if not m:
            continue
        text, code, second, flags = m.group(1).strip('"'), int(m.group(2)), int(m.group(3)), int(m.group(4))
        if flags & (64 | 4):
            continue
        if text.endswith('(') and (72 <= code <= 131 or code == 254):
            fncs.append(text)
        elif (150 <= code <= 243 and second == 0) or (code == 149 and 150 <= second <= 223):
            if text not in stmts:
                stmts.append(text)
    return stmts, fncs


def session(oru, text, cwd, timeout=5):
    try:
        r = subprocess.run([oru], input=text.encode('latin-1'), stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, cwd=cwd, timeout=timeout)
        return r.stdout.decode('latin-1')
    except subprocess.TimeoutExpired as e:
        return (e.stdout or b'').decode('latin-1') + '\n#TIMEOUT'


def compiled_forms(oru, forms, cwd):
    """Enters the forms as program lines 100, 101 ...: the ones that compile."""
    text = ''.join('%d %s\n' % (100 + i, f) for i, f in enumerate(forms))
    out = session(oru, text, cwd)
    ok = []
    lines = out.split('\n')
    for i, f in enumerate(forms):
        tag = '%d %s' % (100 + i, f)
        at = next((k for k, l in enumerate(lines) if l.endswith(tag) and l[:2] in ('->', '-:')), None)
        if at is None:
            continue
        following = lines[at + 1] if at + 1 < len(lines) else ''
        if following.startswith('->') or following.startswith('-:') or following == '':
            ok.append(f)
    return ok


def run_form(oru, form, cwd):
    text = ('10 %s\n20 PRINT "#OK"\n30 END\n9000 PRINT "#TAKEN"\n9010 END\nRUN\nPRINT "#ERR",ERR\n' % form)
    out = session(oru, text, cwd)
    m = re.search(r'#ERR\s*(\d+)', out)
    return int(m.group(1)) if m else None


def main():
    oru, kwfile, scratch = sys.argv[1:4]
    stmts, fncs = keywords(kwfile)
    groups = [(k, [k + s for s in STATEMENT_SHAPES], False) for k in stmts]
    groups += [(k, ['PRINT ' + k + s[1:] for s in FUNCTION_SHAPES], True) for k in fncs]
    os.makedirs(scratch, exist_ok=True)
    tried = sum(len(g[1]) for g in groups)

    def enter(g):
        d = os.path.join(scratch, 'c_' + re.sub(r'\W', '_', g[0]))
        os.makedirs(d, exist_ok=True)
        return [(g[0], f, g[2]) for f in compiled_forms(oru, g[1], d)]

    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        compiled = [x for lst in pool.map(enter, groups) for x in lst]

    def run(item):
        kw, form, fnc = item
        d = os.path.join(scratch, 'r_%d' % (abs(hash(form)) % 1000003))
        os.makedirs(d, exist_ok=True)
        return kw, form, fnc, run_form(oru, form, d)

    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        results = list(pool.map(run, compiled))

    bad, noted = [], []
    counts = {'stmt49': 0, 'stmt20': 0, 'fnc49': 0, 'fnc20': 0}
    for kw, form, fnc, err in results:
        if err not in (20, 49) or kw in SOURCE_TEXT or form in TEXT_20:
            continue
        counts[('fnc' if fnc else 'stmt') + str(err)] += 1
        enforced = ENFORCE_FUNCTIONS if fnc else kw not in PLAIN_TOKENS and form not in OPEN_FORMS
        (bad if enforced else noted).append('%s -> %d' % (form, err))
    print('forms tried %d, compiled %d; statements stopping with 20: %d, with 49: %d; '
          'functions stopping with 20: %d, with 49: %d' %
          (tried, len(compiled), counts['stmt20'], counts['stmt49'], counts['fnc20'], counts['fnc49']))
    if noted:
        print('reported, not failed (%d):' % len(noted))
        for n in noted:
            print('  ' + n)
    if bad:
        print('FAILED: forms that compile and then stop with 20 or 49 (%d):' % len(bad))
        for b in bad:
            print('  ' + b)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
