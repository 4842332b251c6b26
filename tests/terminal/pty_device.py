"""Shared by the terminal tests that check the bytes a device channel sends
to a pseudo-terminal.  Not a test of its own."""
import os
import pty
import select
import subprocess
import sys
import tty


def device_bytes(oru, lines):
    """Runs the program lines at a console of oru, after a line 10 that opens
    channel 1 on a fresh pseudo-terminal and before one that closes it;
    returns the bytes the terminal got.  The test fails when the program did
    not run to its end."""
    master, slave = pty.openpty()
    tty.setraw(slave)
    prog = ['10 OPEN (1)"%s"' % os.ttyname(slave)] + lines + [
        '9000 CLOSE (1); PRINT "DO"+"NE"', "RUN"]
    p = subprocess.Popen([oru], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    out, _ = p.communicate(("\n".join(prog) + "\n").encode(), timeout=30)
    got = b""
    while select.select([master], [], [], 0.2)[0]:
        try:
            data = os.read(master, 65536)
        except OSError:
            break
        if not data:
            break
        got += data
    if b"DONE" not in out:
        print("the program did not end:", out.decode("latin-1"))
        sys.exit(1)
    return got
