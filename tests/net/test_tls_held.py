# Secure channels hold short WRITEs back and send them as full TLS records:
# many short WRITEs arrive in a few records, in order; what is held goes out
# when the process waits (WAIT), when the program computes for a while after
# its WRITE, before a READ (a request and its answer), before a WRITE with
# TIM=, at CLOSE, and before a WRITE to another client of a server channel;
# a send that fails after its WRITE ended is raised by a later statement.
import shutil
import socket
import ssl
import subprocess
import threading
import time

from netlib import Oru, expect, expect_fds, expect_in, fail, listener, main, recv_exact, server_port, skip, wait_until


def make_cert(scratch):
    key, crt = scratch.file("h.key"), scratch.file("h.crt")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", crt,
                    "-days", "2", "-subj", "/CN=localhost", "-addext", "subjectAltName=IP:127.0.0.1"],
                   check=True, capture_output=True)
    pem = scratch.file("h.pem")
    with open(pem, "w") as out:
        out.write(open(crt).read() + open(key).read())
    return crt, key, pem


class Sink:
    """A Python TLS server taking one connection at a time: records every
    chunk it receives with its arrival time; answers "ask" with "answer"."""

    def __init__(self, crt, key):
        self.srv, self.port = listener()
        self.ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.ctx.load_cert_chain(crt, key)
        self.chunks = []
        self.lock = threading.Lock()
        self.conns = []
        threading.Thread(target=self.loop, daemon=True).start()

    def loop(self):
        while True:
            try:
                raw, _ = self.srv.accept()
            except OSError:
                return
            try:
                c = self.ctx.wrap_socket(raw, server_side=True)
            except (ssl.SSLError, OSError):
                raw.close()
                continue
            self.conns.append(c)
            threading.Thread(target=self.serve, args=(c,), daemon=True).start()

    def serve(self, c):
        while True:
            try:
                d = c.recv(65536)
            except (ssl.SSLError, OSError):
                return
            if not d:
                return
            with self.lock:
                self.chunks.append((time.time(), d))
            if d.endswith(b"ask\n"):
                c.sendall(b"answer")

    def data(self):
        with self.lock:
            return b"".join(d for _, d in self.chunks)

    def wait_for(self, want, timeout, oru):
        end = time.time() + timeout
        while time.time() < end:
            if want in self.data():
                return time.time()
            time.sleep(0.01)
        fail("the peer did not get %r (got %r)" % (want[:60], self.data()[-200:]), oru)

    def clear(self):
        with self.lock:
            self.chunks = []


def test(scratch):
    if not shutil.which("openssl"):
        skip("no openssl command")
    crt, key, pem = make_cert(scratch)
    sink = Sink(crt, key)
    oru = Oru(scratch)
    try:
        oru.run("PRINT 1")
        base = oru.fds()
        name = '"[tcp]127.0.0.1;%d;SECURE=%s"' % (sink.port, crt)
        oru.run("OPEN (1,TIM=10)" + name)
        # 2,000 records of 100 bytes: the peer gets them in order, in full
        # records rather than one record each.
        out = oru.run("DELETE", '10 FOR I=1 TO 2000', '20 A$=STR(I:"00000")+DIM(94,"x")+$0A$',
                      "30 WRITE RECORD (1)A$", "40 NEXT I", '50 PRINT "sent"', "RUN")
        expect_in("sent", out, "the writes", oru)
        want = b"".join(b"%05d" % i + b"x" * 94 + b"\n" for i in range(1, 2001))
        sink.wait_for(want, 10, oru)
        expect(sink.data(), want, "every byte, in order", oru)
        if len(sink.chunks) > 60:  # 13 full records; the peer may split them
            fail("2,000 short writes came in %d pieces" % len(sink.chunks), oru)
        # WAIT: what is held goes before the process sleeps.  (The end of
        # the program closed the channel.)
        oru.run("OPEN (1,TIM=10)" + name)
        sink.clear()
        t0 = time.time()
        oru.type('WRITE RECORD (1)"before-wait"; WAIT 3; PRINT "waited"')
        got = sink.wait_for(b"before-wait", 10, oru)
        if got - t0 > 2:
            fail("a held WRITE waited %.1f s for the WAIT to end" % (got - t0), oru)
        oru.wait_for("waited")
        # A program that computes after its WRITE does not hold it back.
        sink.clear()
        oru.run("DELETE", "5 CLOSE (1); OPEN (1,TIM=10)" + name, '10 WRITE RECORD (1)"then-compute"', "20 FOR I=1 TO 3000000", "30 NEXT I",
                '40 PRINT "computed"')
        t0 = time.time()
        oru.type("RUN")
        got = sink.wait_for(b"then-compute", 10, oru)
        oru.wait_for("computed")
        if got - t0 > 1:
            fail("a held WRITE waited %.1f s while the program computed" % (got - t0), oru)
        oru.run("OPEN (1,TIM=10)" + name)
        # A request and its answer: READ sends what is held first.
        out = oru.run('WRITE RECORD (1)"q"; WRITE RECORD (1)"ask"+$0A$; READ RECORD (1,SIZ=6,TIM=5)A$',
                      'PRINT "reply=",A$')
        expect_in("reply=answer", out, "the answer to a held request", oru)
        # WRITE with TIM= goes at once, after what was held before it.
        sink.clear()
        oru.run('WRITE RECORD (1)"first,"; WRITE RECORD (1,TIM=5)"second"')
        sink.wait_for(b"first,second", 5, oru)
        # CLOSE sends what is held.
        sink.clear()
        oru.run('WRITE RECORD (1)"last words"; CLOSE (1)')
        sink.wait_for(b"last words", 5, oru)

        # A secure server channel with two clients: a WRITE to the second
        # client sends what is held for the first one before it.
        oru.run('OPEN (2)"[tcp];0;SECURE=%s"' % pem)
        port = server_port(oru, 2)
        cctx = ssl.create_default_context(cafile=crt)
        clients = []
        for i in range(2):
            holder = []
            th = threading.Thread(target=lambda: holder.append(
                cctx.wrap_socket(socket.create_connection(("127.0.0.1", port), timeout=10),
                                 server_hostname="127.0.0.1")))
            th.start()
            out = oru.run('READ (2,TIM=10)A$', 'PRINT "who=",IND(2)')
            th.join(10)
            clients.append((holder[0], int(out.split("who=")[1].split()[0])))
        (a, ia), (b, ib) = clients
        oru.run('WRITE RECORD (2,IND=%d)"to-a"; WRITE RECORD (2,IND=%d)"to-b"; WAIT 5' % (ia, ib))
        a.settimeout(3)
        b.settimeout(3)
        expect(recv_exact(a, 4), b"to-a", "the first client's record", oru)
        expect(recv_exact(b, 4), b"to-b", "the second client's record", oru)
        oru.run("CLOSE (2)")
        a.close()
        b.close()

        # A peer that goes away: the held bytes cannot be sent; a later
        # statement reports it, and the channel can still be closed.
        n = len(sink.conns)
        oru.run("OPEN (3,TIM=10)" + name)
        wait_until(lambda: len(sink.conns) > n, "the sink's accept", oru)
        for c in sink.conns:
            try:
                c.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            c.close()
        time.sleep(0.3)
        e, out = oru.err('FOR I=1 TO 200', 'WRITE RECORD (3,ERR=90)"x"', "WAIT 0.02", "NEXT I")
        if e not in (2, 3, 15):
            fail("a send to a peer that left: error %r" % e, oru)
        oru.run("CLOSE (3)")
        expect_fds(oru, base, "descriptors after the secure channels")
    finally:
        oru.quit()
        sink.srv.close()


main(test)
