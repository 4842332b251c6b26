# A thin client on a pseudo-terminal (keyboard and screen both) that goes
# away during the handshake, without a hang-up signal (oru runs in a session
# of its own): the console can be neither written nor read, and oru ends as
# on a hang-up instead of writing to the dead terminal without end.
import os
import pty
import select
import subprocess
import sys
import time
import tty

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import PATIENCE, fail  # noqa: E402

exe, lib = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
env = dict(os.environ, ORULIB=lib, TERM="xterm")
env.pop("ORUINI", None)
for wait_for in (b"\x16\x16\x16\x02* ",):
    master, slave = pty.openpty()
    tty.setraw(slave)
    proc = subprocess.Popen([exe], stdin=slave, stdout=slave, stderr=slave, env=env, start_new_session=True)
    os.close(slave)
    got = b""
    end = time.time() + PATIENCE
    os.write(master, b"DEFTTY F (0)80,25\r")
    while time.time() < end and wait_for not in got:
        if select.select([master], [], [], 0.1)[0]:
            try:
                got += os.read(master, 65536)
            except OSError:
                break
    os.close(master)
    end = time.time() + PATIENCE
    while time.time() < end and proc.poll() is None:
        time.sleep(0.05)
    if proc.poll() is None:
        proc.kill()
        proc.wait()
        fail("oru went on after the client's terminal went away (waiting for %r)" % wait_for)
    if proc.returncode < 0:
        fail("oru crashed: %r" % proc.returncode)
