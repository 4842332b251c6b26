# Files on the client's machine: SERIAL, INDEXED, PROGRAM, DIRECTORY, SORT and
# KEYED of "[vrl]" names, ERASE and REFILE of them: the client runs each
# directive's text ('$' 'E'), nothing is created on the host.  Without a
# client such a name is error 10; a name with a quote in it is error 10 (it
# would end the text the client runs); a refusal is the client's code.
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, can, check  # noqa: E402


def execute(r):
    text = r.items("s")[0]
    return can(12) if b"refused" in text else b""


c = Client(level=12)
c.handlers["$E"] = execute
c.lines('1 SERIAL "[vrl]early.txt",0,0,ERR=2',
        '2 PRINT "E1 ",ERR; END',
        "10 DEFTTY F (0)80,25",
        '20 SERIAL "[vrl]c:\\data\\a.txt",0,0',
        '30 INDEXED "[vrl]i.dat",10,20',
        '40 PROGRAM "[vrl]p.pgm"',
        '50 DIRECTORY "[vrl]newdir/"',
        '60 SORT "[vrl]s.srt",12',
        '70 KEYED "[vrl]k.key","[1:1:4],[2:1:4]",0,-200,OPT="CU",SEP=$2C$',
        '80 KEYED "[vrl]e.key",8,0,40,OPT="1"',
        '90 ERASE "[vrl]a.txt","[vrl]b.txt"',
        '100 REFILE "[vrl]r.dat"',
        '110 SERIAL "[vrl]bad""name",0,0,ERR=200',
        '120 ERASE "[vrl]refused",ERR=210',
        '130 PRINT "DO"+"NE"; END',
        '200 PRINT "E110 ",ERR; GOTO 120',
        '210 PRINT "E120 ",ERR; GOTO 130',
        "RUN 1", "RUN 10")
check(c.wait_text("DONE"), "program did not end", c)
t = c.text()
check(re.search(r"E1 +10", t), "a client file without a client: %r" % t, c)
check(re.search(r"E110 +10", t), "a quote in a client file name: %r" % t, c)
check(re.search(r"E120 +12", t), "a refusal of the client: %r" % t, c)
texts = [r.items("s")[0].decode() for r in c.requests if r.key() == "$E"]
want = ['SERIAL "c:\\data\\a.txt"',
        'INDEXED "i.dat",10,20',
        'PROGRAM "p.pgm"',
        'DIRECTORY "newdir"',
        'SORT "s.srt",12',
        None,
        None,
        'ERASE "a.txt"',
        'ERASE "b.txt"',
        'REFILE "r.dat"',
        'ERASE "refused"']
check(len(texts) == len(want), "texts sent: %r" % texts, c)
for got, w in zip(texts, want):
    if w is not None:
        check(got == w, "text %r, expected %r" % (got, w), c)
check(re.match(r'KEYED "k\.key",.*,0,-200,\d+,OPT="CU",SEP=\$2C\$$', texts[5])
      and "[1:1:4]" in texts[5] and "[2:1:4]" in texts[5], "KEYED text: %r" % texts[5], c)
check(texts[6].startswith('KEYED "e.key",') and texts[6].endswith('OPT="1"'), "EFF KEYED text: %r" % texts[6], c)
check(not os.path.exists(os.path.join(c.cwd, "p.pgm")) and not os.path.exists(os.path.join(c.cwd, "newdir")),
      "a client file was created on the host", c)
c.finish()
c.remove()
print("ok")
