#!/usr/bin/env python3
"""The IDE's variables of a program stopped inside a called program: the
caller's string passed by reference is answered with the value the callee
holds meanwhile, the callee's with its own.  Exit status 0 when so."""
import socket
import subprocess
import sys
import time

oru, workdir = sys.argv[1], sys.argv[2]
TIMEOUT = 30


def listener():
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", 0))
    s.listen(1)
    s.settimeout(TIMEOUT)
    return s


def line(conn, buf):
    while b"\n" not in buf[0]:
        data = conn.recv(65536)
        if not data:
            raise EOFError("connection closed, have %r" % buf[0])
        buf[0] += data
    got, buf[0] = buf[0].split(b"\n", 1)
    return got.decode("latin-1")


cmd_l, evt_l = listener(), listener()
settings = "127.0.0.1;%d;%d" % (cmd_l.getsockname()[1], evt_l.getsockname()[1])
proc = subprocess.Popen([oru, "-e:", settings, "cprog"], cwd=workdir, stdin=subprocess.PIPE,
                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
try:
    cmd, _ = cmd_l.accept()
    evt, _ = evt_l.accept()
    cmd.settimeout(TIMEOUT)
    evt.settimeout(TIMEOUT)
    cbuf, ebuf = [b""], [b""]
    line(evt, ebuf)  # started
    cmd.sendall(b"resume\n")
    line(cmd, cbuf)
    time.sleep(0.5)
    cmd.sendall(b"suspend\n")
    line(cmd, cbuf)
    cmd.sendall(b"var 0 A$\n")
    outer = line(cmd, cbuf)
    cmd.sendall(b"var 1 B$\n")
    inner = line(cmd, cbuf)
    if outer != 'A$="top"\t' or inner != 'B$="top"\t':
        print("FAIL var: %r %r" % (outer, inner))
        sys.exit(1)
finally:
    proc.kill()
    proc.wait()
print("ok")
