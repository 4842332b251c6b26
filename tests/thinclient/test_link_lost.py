# A client reached over a loopback TCP console (LNSW) that goes away after
# the handshake: the error report that follows cannot be written and is
# dropped, and the process ends by itself, not by a signal.  A client that
# stops sending while a reply is awaited gives the program error 0 once:
# the statement is not run again and its request is not sent again.
import os
import shutil
import socket
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402


def over_tcp(program, after_handshake):
    """Runs program (lines after "LNSW" and "DEFTTY F") with the console
    carried to a loopback listener; after_handshake(c) is called at the
    first request that follows the handshake."""
    lsn = socket.socket()
    lsn.bind(("127.0.0.1", 0))
    lsn.listen(1)
    c = Client()
    c.lines('10 LNSW "[tcp]127.0.0.1;%d"' % lsn.getsockname()[1], "20 DEFTTY F (0)80,24", *program, "RUN")
    lsn.settimeout(30)
    conn, _ = lsn.accept()
    lsn.close()
    c.carry_on(conn)
    state = {"shaken": False}
    plain = c.answer

    def answer(r):
        if state["shaken"]:
            return after_handshake(c)
        if r.key() == "fn":  # the handshake's last request
            state["shaken"] = True
        return plain(r)

    c.answer = answer
    return c


# The client hangs up: every later write to it fails, the report too.
def hang_up(c):
    c.sock.close()
    c.closed = True
    return False


c = over_tcp(["30 M$=MSE", "40 RELEASE"], hang_up)
check(c.ended(30), "oru did not end when the client hung up", c)
c.out_fd, c.closed = c.pty, False  # what oru wrote to its own console
while c.pump(0.2):
    pass
check(c.proc.returncode == 0 and b"terminate" not in c.output,
      "oru did not end cleanly: %r %r" % (c.proc.returncode, c.text()), c)
c.remove()

# The client stops sending (its half of the connection closed) while the
# host awaits the reply to MSE: SETERR sees error 0, the request went once.
def stop_sending(c):
    c.sock.shutdown(socket.SHUT_WR)
    return False


where = tempfile.mkdtemp(prefix="oru_lost_")
log = os.path.join(where, "err.txt")
c = over_tcp(['30 SERIAL "%s"; OPEN LOCK (1)"%s"' % (log, log), "40 SETERR 90", "50 M$=MSE", "60 END",
              '90 WRITE RECORD (1)"ERR "+STR(ERR); CLOSE (1); END'], stop_sending)
check(c.ended(30), "oru did not end after the client stopped sending", c)
with open(log) as f:
    errs = f.read()
check(errs.strip() == "ERR 0", "the lost link gave %r, not error 0 once" % errs, c)
hellos = [r for r in c.requests if r.key() == "* "]
check(len(hellos) == 2, "the request was sent again: %r" % c.keys(), c)
c.remove()
shutil.rmtree(where, ignore_errors=True)
print("ok")
