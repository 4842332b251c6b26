# Both TCP carriers of the request protocol run without Nagle's algorithm,
# though the channel's name does not ask for NODELAY: otherwise a frame that
# awaits no reply followed by one that awaits a reply waits for the peer's
# delayed acknowledgement (tens of milliseconds a request).  The option is
# read on oru's own socket, taken over with pidfd_getfd (skipped where the
# host does not allow it).
import ctypes
import os
import socket
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check, come_home, over_tcp, status  # noqa: E402
from tcpserver import ProgramServer  # noqa: E402

libc = ctypes.CDLL(None, use_errno=True)
SYS_pidfd_getfd = 438


def nodelay_of(pid, port):
    """TCP_NODELAY of pid's socket connected to 127.0.0.1:port; None when
    the socket cannot be reached."""
    try:
        pidfd = os.pidfd_open(pid)
    except (AttributeError, OSError):
        return None
    try:
        for fd in os.listdir("/proc/%d/fd" % pid):
            try:
                if not os.readlink("/proc/%d/fd/%s" % (pid, fd)).startswith("socket:"):
                    continue
            except OSError:
                continue
            n = libc.syscall(SYS_pidfd_getfd, pidfd, int(fd), 0)
            if n < 0:
                return None
            s = socket.socket(fileno=n)
            try:
                if s.family == socket.AF_INET and s.type == socket.SOCK_STREAM:
                    try:
                        peer = s.getpeername()
                    except OSError:
                        peer = None
                    if peer and peer[1] == port:
                        return s.getsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY)
            finally:
                s.close()
    finally:
        os.close(pidfd)
    return None


def skip(why):
    print("skipped: " + why)
    sys.exit(77)


# A program server's channel: the option is read while oru awaits a reply.
srv = ProgramServer()
seen = {}
srv.handlers["FO"] = lambda r: struct.pack(">HH", 3, 128)


def read(r):
    seen["server"] = nodelay_of(c.proc.pid, srv.port)
    return status(-1) + b"rec"


srv.handlers["FR"] = read
c = Client()
c.lines('10 PROCESS "srv"="[tcp]127.0.0.1;%d"' % srv.port,
        '20 OPEN (1)"[rpc:srv]orders.dat"',
        "30 PRINT (1)'CS',",
        '40 READ (1,KEY="K")A$',
        '50 PRINT "GOT ",A$',
        '60 END',
        "RUN")
check(c.wait_text("GOT rec", 30), "the program did not finish", c)
if seen.get("server") is None:
    skip("oru's socket cannot be inspected here")
check(seen["server"] != 0, "the program server's channel keeps Nagle's algorithm", c)
check(srv.keys()[:3] == ["FO", "Fp", "FR"], "requests: %r" % srv.keys(), c)
c.finish()
c.remove()
srv.close()

# The console carried over a TCP channel (LNSW), then DEFTTY F over it.
c, conn, lsn = over_tcp()
port = lsn.getsockname()[1]
check(nodelay_of(c.proc.pid, port) != 0, "the console's TCP link keeps Nagle's algorithm", c)
come_home(c)
conn.close()
lsn.close()
check(c.finish() == 0, "exit status after the console came home", c)
c.remove()
print("ok")
