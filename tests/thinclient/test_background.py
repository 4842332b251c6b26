# A process whose standard output is not a terminal runs in the background:
# DEFTTY F on the console (descriptor 1) attaches no client there and makes
# an ordinary screen.  No handshake goes into the pipe, and the next line
# runs while the input stays open.
import os
import select
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import PATIENCE  # noqa: E402

env = dict(os.environ, ORULIB=os.path.abspath(sys.argv[2]))
env.pop("ORUINI", None)
p = subprocess.Popen([os.path.abspath(sys.argv[1])], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                     stderr=subprocess.STDOUT, env=env)
p.stdin.write(b'DEFTTY F (0)80,24\nPRINT "B"+"G",FID(0)\n')
p.stdin.flush()
out = bytearray()
end = time.time() + PATIENCE
while b"BG" not in out and time.time() < end:
    ready, _, _ = select.select([p.stdout], [], [], 0.1)
    if ready:
        data = os.read(p.stdout.fileno(), 65536)
        if not data:
            break
        out += data
p.stdin.close()
try:
    p.wait(PATIENCE)
except subprocess.TimeoutExpired:
    p.kill()
    p.wait()
text = out.decode("latin-1")
if b"BG" not in out:
    print("FAILED: the line after DEFTTY F did not run: %r" % text)
    sys.exit(1)
if b"\x16\x16\x16\x02" in out or "winterm" in text:
    print("FAILED: DEFTTY F attached a client in the background: %r" % text)
    sys.exit(1)
print("ok")
