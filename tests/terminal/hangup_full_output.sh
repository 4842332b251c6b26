#!/bin/sh
# SIGHUP to a process whose console write waits on a terminal that takes
# nothing more (nobody reads its other side, the buffer is full): the
# signal ends the write, later output is swallowed, and the process ends
# as on any hang-up, with status 0, instead of waiting in the write.
oru=$1; lib=$2
command -v python3 >/dev/null || exit 77
ORULIB=$lib exec python3 - "$oru" <<'PY'
import os
import pty
import signal
import subprocess
import sys
import time
import tty

master, slave = pty.openpty()
tty.setraw(slave)
env = dict(os.environ)
env.pop("ORUINI", None)
p = subprocess.Popen([sys.argv[1]], stdin=subprocess.PIPE, stdout=slave, stderr=slave, env=env)
os.close(slave)
p.stdin.write(b'10 PRINT "line of output to fill the terminal"\n20 GOTO 10\nRUN\n')
p.stdin.flush()


def state():
    try:
        with open("/proc/%d/stat" % p.pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0]
    except OSError:
        return "gone"


# Nothing is read from the terminal: the program's writes soon wait.
for _ in range(200):
    time.sleep(0.05)
    if state() == "S":
        break
else:
    p.kill()
    print("the program's output never filled the terminal")
    sys.exit(1)
p.send_signal(signal.SIGHUP)
try:
    status = p.wait(5)
except subprocess.TimeoutExpired:
    p.kill()
    p.wait()
    print("oru still waited in its write 5 s after SIGHUP")
    sys.exit(1)
os.close(master)
if status != 0:
    print("status %r after SIGHUP" % status)
    sys.exit(1)
PY
