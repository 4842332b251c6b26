"""Shared by the IDE scripts: the IDE's two loopback listeners, lines read
from a connection, and a program started under the link and stopped where
it runs.  Not a test of its own."""
import contextlib
import socket
import subprocess
import time

TIMEOUT = 30


def listener():
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", 0))
    s.listen(1)
    s.settimeout(TIMEOUT)
    return s


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

    def closed(self):
        try:
            while True:
                data = self.conn.recv(4096)
                if not data:
                    return True
                self.buf += data
        except socket.timeout:
            return False

    def ask(self, command):
        """Sends one command line and returns the answer's line."""
        self.conn.sendall(command.encode("latin-1") + b"\n")
        return self.line()


@contextlib.contextmanager
def stopped(oru, workdir, program):
    """Starts program under the link, resumes it, suspends it half a second
    later and gives the command connection; the interpreter is killed at
    the end."""
    cmd_l, evt_l = listener(), listener()
    settings = "127.0.0.1;%d;%d" % (cmd_l.getsockname()[1], evt_l.getsockname()[1])
    proc = subprocess.Popen([oru, "-e:", settings, program], cwd=workdir, stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        cmd = Lines(cmd_l.accept()[0])
        evt = Lines(evt_l.accept()[0])
        evt.line()  # started
        cmd.ask("resume")
        time.sleep(0.5)
        cmd.ask("suspend")
        yield cmd
    finally:
        proc.kill()
        proc.wait()
