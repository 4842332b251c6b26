# Shared by the network tests (tests/net/test_*.py), each run as
#   python3 test_x.py <oru executable> <library directory>
# Starts oru in a private scratch directory with its console on pipes, types
# lines at it and waits for what it prints.  Peers are written in Python and
# listen on ephemeral loopback ports.  Not a test of its own.
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77


def skip(why):
    print("skipped: " + why)
    sys.exit(SKIP)


def fail(why, oru=None):
    print("FAILED: " + why)
    if oru is not None:
        print("---- oru output ----")
        print(oru.text())
    sys.exit(1)


class Scratch:
    """A private temporary directory, removed at exit."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="oru_net_")

    def file(self, name):
        return os.path.join(self.path, name)

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


class Oru:
    """One oru process whose console is typed at through a pipe."""

    def __init__(self, scratch, extra_env=None, limit_files=None):
        self.exe, lib = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
        env = dict(os.environ)
        env["ORULIB"] = lib
        env.pop("ORUINI", None)
        if extra_env:
            env.update(extra_env)
        def limit():
            if limit_files:
                import resource
                resource.setrlimit(resource.RLIMIT_NOFILE, (limit_files, limit_files))

        self.proc = subprocess.Popen([self.exe], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, cwd=scratch.path, env=env, preexec_fn=limit)
        self.out = bytearray()
        self.lock = threading.Lock()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        self.marks = 0

    def _read(self):
        while True:
            b = self.proc.stdout.read1(65536)
            if not b:
                return
            with self.lock:
                self.out += b

    def text(self):
        with self.lock:
            return self.out.decode("latin-1")

    def type(self, *lines):
        for line in lines:
            self.proc.stdin.write(line.encode("latin-1") + b"\n")
        self.proc.stdin.flush()

    def wait_for(self, text, timeout=30):
        end = time.time() + timeout
        while time.time() < end:
            if text in self.text():
                return
            if self.proc.poll() is not None and text not in self.text():
                break
            time.sleep(0.02)
        fail("oru did not print %r" % text, self)

    def run(self, *lines, timeout=30):
        """Types the lines, then a marker print; returns what they printed."""
        self.marks += 1
        mark = "<<done %d>>" % self.marks
        start = len(self.text())
        self.type(*lines)
        self.type('PRINT "%s"' % mark)
        self.wait_for(mark + "\n", timeout)
        got = self.text()[start:]
        got = got[:got.index(mark)]
        # Only what the lines printed: the echo of each typed line (after
        # the prompt "->" or "-:") is left out.
        typed = set(lines) | {'PRINT "%s"' % mark}
        return "".join(l for l in got.splitlines(True)
                       if not l.startswith(("->", "-:")) and l.rstrip("\n") not in typed)

    def err(self, stmt, *after, timeout=30):
        """Runs stmt (which names line 90 in its ERR=, END= or DOM=) as a
        program line, then the lines after; returns (error number or None,
        what was printed)."""
        lines = ["DELETE", "10 " + stmt]
        for i, a in enumerate(after):
            lines.append("%d %s" % (20 + i, a))
        lines += ['80 PRINT "err=none"; STOP', '90 PRINT "err=",ERR; STOP', "RUN"]
        out = self.run(*lines, timeout=timeout)
        if "err=none" in out:
            return None, out
        for line in out.splitlines():
            if line.startswith("err="):
                return int(line[4:]), out
        fail("%r gave no result: %r" % (stmt, out), self)

    def quit(self, timeout=30):
        try:
            self.type("QUIT")
            self.proc.stdin.close()
        except BrokenPipeError:
            pass
        try:
            self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            fail("oru did not end after QUIT", self)

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()

    def fds(self):
        """The open descriptors of the process."""
        d = "/proc/%d/fd" % self.proc.pid
        out = set()
        for n in os.listdir(d):
            try:
                out.add(n + ":" + os.readlink(os.path.join(d, n)))
            except OSError:
                pass
        return out


def expect(got, want, what, oru=None):
    if got != want:
        fail("%s: got %r, want %r" % (what, got, want), oru)


def expect_in(part, whole, what, oru=None):
    if part not in whole:
        fail("%s: %r not in %r" % (what, part, whole), oru)


def wait_until(cond, what, oru=None, timeout=30):
    """Polls cond() until it is true; fails with what after timeout seconds
    (a sanitizer build on a loaded machine may take seconds for a step)."""
    end = time.time() + timeout
    while not cond():
        if time.time() > end:
            fail("timed out waiting: %s" % what, oru)
        time.sleep(0.02)


def expect_fds(oru, base, what):
    """The process's descriptors come back to base (a peer's close or a TLS
    shutdown may finish a moment after the statement that caused it)."""
    end = time.time() + 30
    while oru.fds() != base and time.time() < end:
        time.sleep(0.05)
    expect(oru.fds(), base, what, oru)


def wait_sleeping(pid, what, oru=None):
    """Until the process sleeps (state S in /proc/PID/stat): a program that
    has nothing else to wait for is then in the wait the test means."""
    def sleeping():
        try:
            with open("/proc/%d/stat" % pid) as f:
                return f.read().rsplit(")", 1)[1].split()[0] == "S"
        except (OSError, IndexError):
            return False
    wait_until(sleeping, what, oru)


def listener():
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", 0))
    s.listen(64)
    return s, s.getsockname()[1]


def serve_each(srv, serve):
    """Accepts connections on the listening socket srv in a thread until
    srv is closed, each served by serve(raw) in a thread of its own."""
    def loop():
        while True:
            try:
                raw, _ = srv.accept()
            except OSError:
                return
            threading.Thread(target=serve, args=(raw,), daemon=True).start()

    threading.Thread(target=loop, daemon=True).start()


def server_port(oru, channel):
    """The port of an oru server channel (KEF( gives address;port;host)."""
    out = oru.run('PRINT "port=",KEF(%d)' % channel)
    for line in out.splitlines():
        if line.startswith("port="):
            return int(line.split(";")[1])
    fail("no port in %r" % out, oru)


def recv_exact(sock, n):
    data = b""
    while len(data) < n:
        b = sock.recv(n - len(data))
        if not b:
            break
        data += b
    return data


def main(test):
    scratch = Scratch()
    try:
        test(scratch)
    finally:
        scratch.remove()
    print("passed")
    sys.exit(0)
