# The SQL statement trace seen by a thin client (run by trace_test.sh with
# the oru executable, the library directory and the test server's port).
import os
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "thinclient"))
import tclient  # noqa: E402
from tclient import Client, check  # noqa: E402

port = sys.argv[3]
ini = '[MySql]\nHOST=127.0.0.1\nPORT=%s\nUSER=oru\nPSWD="oru-pw"\n' % port

answers = []


def answer(r):
    answers.append(r.payload)
    # the second statement traced is answered CANCEL: the trace stops
    return b"CANCEL" if len(answers) == 2 else b"OK"


c = Client(level=12, caps=2, ini=ini)
c.handlers["? "] = answer
c.lines('10 DEFTTY F (0)80,25',
        '20 OPEN (9)"[mysql]orutest"; WRITE (9)"DROP TABLE IF EXISTS t_trace"',
        '30 WRITE (9)"CREATE TABLE t_trace (id INT PRIMARY KEY, n INT)"',
        '40 OPEN (1)"[mysql]orutest;t_trace;KEY=id;REC=id,n;DEBUG=# tr1"',
        "50 SET_PARAM '!Q'=1",
        '60 WRITE (1)1,"1e2"',
        '70 WRITE (9)"UPDATE t_trace SET n = n + 1"',
        '80 READ (1,KEY="1")A,N',
        "90 PRINT \"DO\"+\"NE \",N,\" \",PRM('!Q')",
        '100 WRITE (9)"DROP TABLE t_trace"',
        'RUN')
check(c.wait_text("DONE ", 20), "the program did not end", c)


def strings(p):
    out, i = [], 0
    while i + 2 <= len(p):
        n = int.from_bytes(p[i:i + 2], "big")
        out.append(p[i + 2:i + 2 + n].decode("latin-1"))
        i += 2 + n
    return out


got = [strings(p) for p in answers]
want = [["n", "Non-numeric data in numeric field", "CANCEL"],
        ["INSERT INTO `t_trace` (`id`,`n`) VALUES (?,?) # tr1 <NoPgm>@60", "Executing SQL command (File Specific)..", "CANCEL"]]
check(got == want, "trace requests %r" % got, c)
check(c.wait_text("DONE  101  0", 5), "the value was not used or the trace stayed on: %r" % c.text()[-200:], c)
c.finish()
c.remove()

# Without a thin client the parameter is turned off by the first statement.
with tempfile.TemporaryDirectory() as d:
    with open(os.path.join(d, "oru.ini"), "w") as f:
        f.write(ini)
    env = dict(os.environ, ORUINI=os.path.join(d, "oru.ini"), ORULIB=sys.argv[2])
    prog = ("SET_PARAM '!Q'=1\nOPEN (9)\"[mysql]orutest\"\nREAD (9,KEY=\"SELECT 1\")X$\n"
            "PRINT \"Q=\",PRM('!Q')\n")
    out = subprocess.run([os.path.abspath(sys.argv[1])], input=prog.encode(), stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, cwd=d, env=env, timeout=30).stdout.decode("latin-1")
    if "Q= 0" not in out:
        print("without a thin client the trace stays on:\n" + out)
        sys.exit(1)
print("ok")
