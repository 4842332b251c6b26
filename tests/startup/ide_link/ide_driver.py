#!/usr/bin/env python3
"""An IDE on two loopback ports: starts oru with -e:, resumes it, suspends
it, reads its stack and variables, steps it, resumes it, lets the program
end and makes the interpreter leave.  Exit status 0 when every answer and
notice came as expected."""
import os
import subprocess
import sys
import time

from ide_peer import TIMEOUT, Lines, listener

oru, workdir = sys.argv[1], sys.argv[2]


def expect(got, want, what):
    if got != want:
        print("FAIL %s: got %r, want %r" % (what, got, want))
        sys.exit(1)


cmd_l, evt_l = listener(), listener()
settings = "127.0.0.1;%d;%d" % (cmd_l.getsockname()[1], evt_l.getsockname()[1])
# The interpreter inherits descriptors up to 1,100, so that the link's
# sockets get numbers past 1,023 (where select() cannot go).
import resource
soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
high = []
if hard == resource.RLIM_INFINITY or hard > 1200:
    if soft != resource.RLIM_INFINITY and soft < 1200:
        resource.setrlimit(resource.RLIMIT_NOFILE, (1200, hard))
    null = os.open("/dev/null", os.O_RDONLY)
    for fd in range(3, 1100):
        try:
            os.fstat(fd)
        except OSError:
            os.dup2(null, fd, inheritable=True)
            high.append(fd)
    high.append(null)
# Every low descriptor goes to the child (those of this script too).
passed = list(range(3, 1100))
proc = subprocess.Popen([oru, "-e:", settings, "prog"], cwd=workdir, stdin=subprocess.PIPE,
                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, pass_fds=passed if high else ())
for fd in high:
    os.close(fd)
if high:
    # The sockets the interpreter opened are past 1,023.
    fds = []
    # (A loaded machine may take a while to start it: up to the timeout.)
    for _ in range(TIMEOUT * 10):
        try:
            fds = [int(f) for f in os.listdir("/proc/%d/fd" % proc.pid)
                   if os.readlink("/proc/%d/fd/%s" % (proc.pid, f)).startswith("socket:")]
        except OSError:
            fds = []
        fds = [f for f in fds if f >= 1024]  # the listeners above came along
        if len(fds) >= 2:
            break
        time.sleep(0.1)
    if len(fds) < 2:
        print("FAIL the link's sockets are not past 1,023: %r" % fds)
        proc.kill()
        sys.exit(1)
try:
    cmd_conn, _ = cmd_l.accept()
    evt_conn, _ = evt_l.accept()
    cmd, evt = Lines(cmd_conn), Lines(evt_conn)

    def send(text):
        cmd_conn.sendall(text.encode("latin-1"))

    expect(evt.line(), "started\r", "first notice")
    send("frobnicate\n")
    expect(cmd.line(), "bad\r", "an unknown command")
    send("var 0 " + "A" * 70000 + "\n")  # past the line limit: dropped whole
    expect(cmd.line(), "bad\r", "an over-long line")
    send("RESUME\r\n")  # any case, a CR before the LF
    expect(cmd.line(), "ok\r", "resume at start-up")
    expect(evt.line(), "resumed client\r", "the program runs")
    time.sleep(0.3)
    send("step\n")  # the program runs: ignored, but answered
    expect(cmd.line(), "ok\r", "step while running")
    send("suspend\n")
    expect(cmd.line(), "ok\r", "suspend")
    expect(evt.line(), "suspended client\r", "suspended")
    # Two commands in one write, each with its LF; the second split in two.
    send("stack\nvar 0 A$\nvar 0 ")
    stack = cmd.line()
    time.sleep(0.1)
    send("N\n")
    if not stack.startswith("prog;") or "|A$|" not in stack or "|N|" not in stack or "DIM T[1:3]|" not in stack \
            or not stack.endswith("|#") or stack.count("#") != 1:
        print("FAIL stack: %r" % stack)
        sys.exit(1)
    expect(cmd.line(), 'A$="text"\t', "var A$")
    n_line = cmd.line()
    if not n_line.startswith("N=") or not n_line.endswith("\t"):
        print("FAIL var N: %r" % n_line)
        sys.exit(1)
    n_before = int(n_line[2:-1])
    send("var 0 \nvar 0\n")  # no name: no variable to answer with
    expect(cmd.line(), "bad\r", "var without a name")
    expect(cmd.line(), "bad\r", "var alone")
    send("var 0 NOSUCH\nvar 0 T\n")
    expect(cmd.line(), "NOSUCH=<?>\t", "an unknown variable")
    expect(cmd.line(), "T[2]=7\t", "an array")
    send("step\n")
    expect(cmd.line(), "ok\r", "step")
    expect(evt.line(), "resumed step\r", "step starts")
    expect(evt.line(), "suspended step\r", "step ends")
    send("resume\n")
    expect(cmd.line(), "ok\r", "resume")
    expect(evt.line(), "resumed client\r", "resumed")
    # The program ends by itself; the console then waits for the IDE.
    expect(evt.line(), "suspended client\r", "the program ended")
    send("var 0 N\n")
    expect(cmd.line(), "N=250\t", "N after the program")
    if n_before >= 250:
        print("FAIL the suspension came too late: N=%d" % n_before)
        sys.exit(1)
    send("exit\n")
    expect(cmd.line(), "ok\r", "exit")
    expect(evt.line(), "terminated\r", "the interpreter leaves")
    out, _ = proc.communicate(timeout=TIMEOUT)
    text = out.decode("latin-1")
    if proc.returncode != 0 or "done 251 250" not in text:
        print("FAIL interpreter: status %s, output %r" % (proc.returncode, text))
        sys.exit(1)
    if not cmd.closed() or not evt.closed():
        print("FAIL the connections stay open")
        sys.exit(1)
finally:
    if proc.poll() is None:
        proc.kill()
print("ok")
