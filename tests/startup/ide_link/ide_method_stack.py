#!/usr/bin/env python3
"""The IDE's stack of a program stopped inside a method: the method's level
shows its program (no entry point) and its line, the caller's level the
line the method was called from.  Exit status 0 when the reply is so."""
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
proc = subprocess.Popen([oru, "-e:", settings, "mprog"], cwd=workdir, stdin=subprocess.PIPE,
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
    cmd.sendall(b"stack\n")
    stack = line(cmd, cbuf)
    levels = stack.split("#")
    # The method's level, the caller's, the globals (and the line end).
    heads = [lv.split("|")[0] for lv in levels]
    ok = len(levels) >= 3 and heads[0].endswith("mprog;3") and heads[1] == "mprog;20"
    if not ok or ";#" in stack or ";0|" in stack:
        print("FAIL stack: %r" % stack)
        sys.exit(1)
finally:
    proc.kill()
    proc.wait()
print("ok")
