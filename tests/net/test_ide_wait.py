# The IDE link while a program waits for a TCP peer: the IDE's commands are
# answered inside the wait (stack, var), and a suspend interrupts the wait so
# that the program stops there; after a resume the READ runs again and gets
# the peer's record.
import os
import socket
import subprocess
import sys
import time

from netlib import fail, listener, main, wait_sleeping

TIMEOUT = 20


class Lines:
    def __init__(self, conn):
        self.conn, self.buf = conn, b""
        conn.settimeout(TIMEOUT)

    def line(self):
        while b"\n" not in self.buf:
            data = self.conn.recv(4096)
            if not data:
                raise EOFError("connection closed, have %r" % self.buf)
            self.buf += data
        line, self.buf = self.buf.split(b"\n", 1)
        return line.decode("latin-1")


def test(scratch):
    exe, lib = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    env = dict(os.environ)
    env["ORULIB"] = lib
    env.pop("ORUINI", None)
    peer_l, peer_port = listener()
    with open(scratch.file("prog.txt"), "w") as f:
        f.write('10 X=41; OPEN (1)"[tcp]127.0.0.1;%d"\n' % peer_port)
        f.write('20 READ (1,SIZ=5)A$\n')
        f.write('30 PRINT "got ",A$,X+1\n')
        f.write('40 END\n')
    subprocess.run([exe], input=b'MERGE "prog.txt"\nSAVE "prog"\n', cwd=scratch.path, env=env,
                   capture_output=True, timeout=30)
    if not os.path.exists(scratch.file("prog")):
        fail("the program was not saved")
    cmd_l, cmd_port = listener()
    evt_l, evt_port = listener()
    proc = subprocess.Popen([exe, "-e:", "127.0.0.1;%d;%d" % (cmd_port, evt_port), "prog"], cwd=scratch.path, env=env,
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        cmd_l.settimeout(TIMEOUT)
        evt_l.settimeout(TIMEOUT)
        cmd_conn, _ = cmd_l.accept()
        evt_conn, _ = evt_l.accept()
        cmd, evt = Lines(cmd_conn), Lines(evt_conn)

        def expect(got, want, what):
            if got != want:
                proc.kill()
                fail("%s: got %r, want %r (output %r)" % (what, got, want, proc.stdout.read()))

        expect(evt.line(), "started\r", "first notice")
        cmd_conn.sendall(b"resume\n")
        expect(cmd.line(), "ok\r", "resume")
        expect(evt.line(), "resumed client\r", "the program runs")
        peer_l.settimeout(TIMEOUT)
        peer, _ = peer_l.accept()
        wait_sleeping(proc.pid, "the program's READ")
        cmd_conn.sendall(b"var 0 X\n")
        expect(cmd.line(), "X=41\t", "a variable read while the program waits")
        cmd_conn.sendall(b"stack\n")
        stack = cmd.line()
        if not stack.startswith("prog;") or "|X|" not in stack:
            proc.kill()
            fail("stack while waiting: %r" % stack)
        cmd_conn.sendall(b"suspend\n")
        expect(cmd.line(), "ok\r", "suspend")
        expect(evt.line(), "suspended client\r", "suspended in the wait")
        # The program stopped at its READ: the console waits, and a resume
        # runs the READ again.
        peer.sendall(b"hello")
        time.sleep(0.3)
        cmd_conn.sendall(b"resume\n")
        expect(cmd.line(), "ok\r", "resume after the suspend")
        expect(evt.line(), "resumed client\r", "running again")
        proc.stdin.write(b"QUIT\n")
        proc.stdin.flush()
        try:
            out, _ = proc.communicate(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            proc.kill()
            fail("the interpreter did not end")
        if b"got hello 42" not in out:
            fail("the READ did not run again after the resume: %r" % out)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


main(test)
