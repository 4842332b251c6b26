# The console over a TCP connection (LNSW to a TCP channel): the peer gets
# the prompt and the output and types statements and INPUT answers; LNSW
# alone brings the console home and closes the channel; LNSW by channel
# number; a ONESHOT server whose first client becomes the console; a TLS
# connection; a channel with no connection is refused (13) and leaves the
# console where it was; a peer that leaves ends the process (as a hang-up
# of its terminal); no descriptor is left behind.
import shutil
import socket
import ssl
import subprocess
import threading
import time

from netlib import Oru, expect, expect_fds, expect_in, fail, listener, main, skip


class Peer:
    """One connection that carries oru's console."""

    def __init__(self, sock):
        self.sock = sock
        self.sock.settimeout(10)
        self.got = b""

    def wait_for(self, text, oru, timeout=10):
        end = time.time() + timeout
        while text not in self.got:
            if time.time() > end:
                fail("the console's peer did not get %r (got %r)" % (text, self.got[-300:]), oru)
            try:
                b = self.sock.recv(4096)
            except socket.timeout:
                continue
            if not b:
                fail("the console's connection ended before %r" % text, oru)
            self.got += b

    def type(self, line):
        self.sock.sendall(line.encode() + b"\n")


def test(scratch):
    oru = Oru(scratch)
    try:
        oru.run("PRINT 1")
        base = oru.fds()
        # ---- a client channel opened by LNSW
        srv, port = listener()
        oru.type('LNSW "[tcp]127.0.0.1;%d"' % port)
        raw, _ = srv.accept()
        p = Peer(raw)
        p.type('PRINT "over tcp",2+2')
        p.wait_for(b"over tcp 4", oru)
        p.type('INPUT "name? ",N$')
        p.wait_for(b"name? ", oru)
        p.type("carol")
        p.type('PRINT "hello ",N$')
        p.wait_for(b"hello carol", oru)
        if "over tcp" in oru.text():
            fail("console output still went to standard output", oru)
        p.type("LNSW")
        out = oru.run('PRINT "home"')
        expect_in("home", out, "the console is home again", oru)
        raw.settimeout(5)
        rest = b""
        try:
            while True:
                b = raw.recv(4096)
                if not b:
                    break
                rest += b
        except socket.timeout:
            fail("LNSW did not close the console's connection", oru)
        raw.close()
        # ---- by channel number; standard input waits meanwhile
        out = oru.run('OPEN (5)"[tcp]127.0.0.1;%d"' % port)
        raw, _ = srv.accept()
        p = Peer(raw)
        oru.type("LNSW 5", 'PRINT "typed ahead at home"')
        p.type('PRINT "by number"')
        p.wait_for(b"by number", oru)
        p.type("LNSW")
        oru.wait_for("typed ahead at home")
        raw.close()
        e, _ = oru.err('PRINT (5,ERR=90)"x"')
        expect(e, 14, "the switched channel is closed when the console comes home", oru)
        # ---- a channel with no connection: 13, the console stays
        oru.run('OPEN (6)"[tcp];0"')
        e, _ = oru.err("LNSW 6,ERR=90")
        expect(e, 13, "a server channel with no connection", oru)
        expect_in("still", oru.run('PRINT "still"'), "the console stays home", oru)
        oru.run("CLOSE (6)")
        # ---- a ONESHOT server: its first client carries the console
        oru.run('OPEN (7)"[tcp];0;ONESHOT"')
        out = oru.run('PRINT "port=",KEF(7)')
        sport = int(out.split("port=")[1].split(";")[1])
        oru.type("LNSW 7")
        c = socket.create_connection(("127.0.0.1", sport))
        p = Peer(c)
        p.type('PRINT "oneshot",3*3')
        p.wait_for(b"oneshot 9", oru)
        p.type("LNSW")
        oru.run("PRINT 2")
        c.close()
        # ---- TLS
        if shutil.which("openssl"):
            key, crt = scratch.file("c.key"), scratch.file("c.crt")
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", crt,
                            "-days", "2", "-subj", "/CN=localhost", "-addext", "subjectAltName=IP:127.0.0.1"],
                           check=True, capture_output=True)
            ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            ctx.load_cert_chain(crt, key)
            holder = []
            th = threading.Thread(target=lambda: holder.append(ctx.wrap_socket(srv.accept()[0], server_side=True)))
            th.start()
            oru.type('LNSW "[tcp]127.0.0.1;%d;SECURE=%s"' % (port, crt))
            th.join(10)
            if not holder:
                fail("no TLS connection for the console", oru)
            p = Peer(holder[0])
            p.type('PRINT "secret",5*5')
            p.wait_for(b"secret 25", oru)
            p.type("LNSW")
            oru.run("PRINT 3")
            holder[0].close()
        expect_fds(oru, base, "descriptors after the console came home")
        # ---- the peer leaves: the process ends
        oru.type('LNSW "[tcp]127.0.0.1;%d"' % port)
        raw, _ = srv.accept()
        p = Peer(raw)
        p.type('PRINT "last"')
        p.wait_for(b"last", oru)
        raw.close()
        try:
            oru.proc.wait(10)
        except subprocess.TimeoutExpired:
            fail("the process went on after the console's peer left", oru)
        srv.close()
    finally:
        oru.kill()


main(test)
