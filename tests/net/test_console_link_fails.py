# Failed sends on the console's connection: the console drops what it could
# not send and the program goes on; only after more than ten failed sends is
# the process told to leave.  With parameter XC the failures are ignored and
# the program runs to its end.  A program's own loop sees the connection's
# liveness check (every so many statements) and WAIT's slices.
import socket
import subprocess
import time

from netlib import Oru, fail, listener, main


def progress_of(conn, until_closed, timeout=30):
    """The tick numbers the program reported on its progress channel."""
    conn.settimeout(1)
    got = b""
    end = time.time() + timeout
    while time.time() < end:
        try:
            b = conn.recv(4096)
        except socket.timeout:
            if not until_closed:
                break
            continue
        if not b:
            break
        got += b
    return [int(x) for x in got.decode().split(";") if x.strip().isdigit()]


def run_case(scratch, xc):
    oru = Oru(scratch)
    try:
        if xc:
            oru.run("SET_PARAM 'XC'")
        cons, cport = listener()
        prog, pport = listener()
        oru.type("10 OPEN (2)\"[tcp]127.0.0.1;%d\"" % pport,
                 "20 LNSW \"[tcp]127.0.0.1;%d\"" % cport,
                 "30 FOR I=1 TO 60",
                 "40 PRINT \"tick\",I",
                 "50 PRINT (2)STR(I),\";\",",
                 "60 WAIT .05",
                 "70 NEXT I",
                 "80 PRINT (2)\"end;\",",
                 "90 CLOSE (2); LNSW; PRINT \"home\"",
                 "RUN")
        pc, _ = prog.accept()
        cc, _ = cons.accept()
        cc.settimeout(10)
        got = b""
        while b"tick 3" not in got:
            b = cc.recv(4096)
            if not b:
                fail("the console's connection ended early", oru)
            got += b
        # The console's peer goes away with a reset: every later send fails.
        cc.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
        cc.close()
        ticks = progress_of(pc, until_closed=True)
        try:
            oru.proc.wait(10 if not xc else 1)
            ended = True
        except subprocess.TimeoutExpired:
            ended = False
        return oru, ticks, ended
    except BaseException:
        oru.kill()
        raise


def test(scratch):
    # Without XC: the program outlives at least ten failed sends, then the
    # process leaves before the loop ends.
    oru, ticks, ended = run_case(scratch, xc=False)
    try:
        if not ended:
            fail("the process went on after many failed sends on its console: ticks %r" % ticks, oru)
        if not ticks or max(ticks) < 3 + 10:
            fail("the process left before more than ten sends failed: ticks %r" % ticks, oru)
        if max(ticks) >= 60:
            fail("the failed sends never ended the process: ticks %r" % ticks, oru)
    finally:
        oru.kill()
    # With XC the failures are ignored: the loop runs to its end.
    oru, ticks, ended = run_case(scratch, xc=True)
    try:
        if not ticks or max(ticks) != 60:
            fail("with XC the program did not run to its end: ticks %r" % ticks, oru)
    finally:
        oru.kill()


main(test)
