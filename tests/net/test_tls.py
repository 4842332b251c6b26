# TLS on TCP channels with certificates made here by the openssl command:
# a secure server without its certificate refused before it listens, a
# secure server channel with Python TLS clients (a plain client and a
# silent client neither join the list nor stall the server), a secure client
# that verifies the server's certificate and host name, a certificate of
# another issuer and a wrong host name refused (error 13) unless NOVERIFY,
# the certificate items of FIN( (a validity end after 2049 read right), and
# a TLS peer that goes away in the middle of the stream.
import shutil
import socket
import ssl
import subprocess
import threading
import time

from netlib import (Oru, expect, expect_fds, expect_in, fail, listener, main, recv_exact, serve_each, server_port,
                    skip, wait_until)


def make_cert(scratch, name, san, days=2):
    key, crt = scratch.file(name + ".key"), scratch.file(name + ".crt")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", crt,
                    "-days", str(days), "-subj", "/CN=" + name, "-addext", "subjectAltName=" + san],
                   check=True, capture_output=True)
    pem = scratch.file(name + ".pem")
    with open(pem, "w") as out:
        out.write(open(crt).read() + open(key).read())
    return crt, key, pem


def tls_server(crt, key):
    """A Python TLS server in a thread: echoes "echo:" + data; the command
    "cut" makes it send data and drop the connection without a close
    notice.  Returns its port and the list of handshake failures."""
    srv, port = listener()
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(crt, key)
    failures = []

    def serve(raw):
        try:
            c = ctx.wrap_socket(raw, server_side=True)
        except (ssl.SSLError, OSError) as e:
            failures.append(str(e))
            raw.close()
            return
        while True:
            try:
                d = c.recv(4096)
            except (ssl.SSLError, OSError):
                break
            if not d:
                break
            if d.startswith(b"cut"):
                c.sendall(b"partial data")
                time.sleep(0.2)
                c.shutdown(socket.SHUT_RDWR)  # no close notice
                break
            c.sendall(b"echo:" + d)
        c.close()

    serve_each(srv, serve)
    return srv, port, failures


def test(scratch):
    if not shutil.which("openssl"):
        skip("no openssl command")
    crt, key, pem = make_cert(scratch, "localhost", "IP:127.0.0.1,DNS:localhost", days=15000)
    ocrt, okey, opem = make_cert(scratch, "other", "IP:127.0.0.1")
    wcrt, wkey, wpem = make_cert(scratch, "wrongname", "DNS:wrong.example")
    # The trace log (written when it exists) keeps the library's reasons.
    trace = scratch.file("orutrace.log")
    open(trace, "w").close()

    def traced():
        with open(trace) as f:
            return f.read()

    oru = Oru(scratch)
    try:
        oru.run("PRINT 1")
        base = oru.fds()
        # ---- a secure server loads its certificate before it listens: a
        # missing certificate is error 13 even on a port another program
        # listens on (listening first gave the bind's error, and on a free
        # port a client could be accepted and then reset)
        busy, busy_port = listener()
        e, _ = oru.err('OPEN (3,ERR=90)"[tcp];%d;SECURE=%s"' % (busy_port, scratch.file("missing.pem")))
        expect(e, 13, "a secure server without its certificate", oru)
        busy.close()
        # ---- a secure server channel
        oru.run('OPEN (1)"[tcp];0;SECURE=%s"' % pem)
        port = server_port(oru, 1)
        cctx = ssl.create_default_context(cafile=crt)
        # A plain client and a silent one come first: neither may hold up
        # the TLS client that follows, and neither is announced.
        plain = socket.create_connection(("127.0.0.1", port))
        plain.sendall(b"GET / HTTP/1.0\r\n\r\n")
        silent = socket.create_connection(("127.0.0.1", port))
        time.sleep(0.2)
        t0 = time.time()
        good = []

        def connect_tls():
            s = socket.create_connection(("127.0.0.1", port), timeout=20)
            good.append(cctx.wrap_socket(s, server_hostname="localhost"))

        th = threading.Thread(target=connect_tls)
        th.start()
        out = oru.run('READ (1,TIM=10)A$', 'PRINT "new=",LEN(A$),"/",IND(1)')
        th.join(20)
        expect_in("new= 0", out, "the TLS client is announced", oru)
        if time.time() - t0 > 4:
            fail("the silent client held the server up for %.1f s" % (time.time() - t0), oru)
        if not good:
            fail("the Python TLS client did not connect", oru)
        ind = int(out.split("/")[-1])
        good[0].sendall(b"secret")
        out = oru.run('READ (1,TIM=5)A$', 'PRINT "got=",A$,"/",IND(1)', 'PRINT (1)"back:",A$')
        expect_in("got=secret/ %d" % ind, out, "data through TLS", oru)
        expect(recv_exact(good[0], 13), b"back:secret\r\n", "the answer through TLS", oru)
        out = oru.run('PRINT "cipher=",FIN(1,"SSL_CIPHER")', 'PRINT "mine=",FIN(1,"MY_X509_SUBJECT")')
        expect_in("TLS", out.split("cipher=")[1].split("\n")[0], "SSL_CIPHER of the connection", oru)
        expect_in("mine=/CN=localhost", out, "the server's own certificate", oru)
        # The plain client was refused at its handshake: writing to it by
        # its socket finds no client.
        e, _ = oru.err('READ (1,TIM=1,ERR=90)A$')
        expect(e, 0, "nothing more to read: the failed and silent clients are not announced", oru)
        plain.settimeout(5)
        try:
            expect(plain.recv(100)[:1] in (b"", b"\x15"), True, "the plain client is dropped", oru)
        except ConnectionResetError:
            pass
        # The silent client is dropped once its handshake time is up.
        time.sleep(5.5)
        oru.err('READ (1,TIM=0.5,ERR=90)A$')
        silent.settimeout(5)
        try:
            expect(silent.recv(10), b"", "the silent client is dropped after its handshake time", oru)
        except ConnectionResetError:
            pass
        good[0].close()
        expect(oru.err('READ (1,TIM=5,END=90)A$')[0], 2, "a TLS client that leaves", oru)
        oru.run("CLOSE (1)")
        plain.close()
        silent.close()

        # ---- secure client channels against a Python TLS server
        srv, sport, failures = tls_server(crt, key)
        oru.run('OPEN (2,TIM=10)"[tcp]127.0.0.1;%d;SECURE=%s"' % (sport, crt))
        out = oru.run('PRINT (2)"hi"', 'READ (2,TIM=5)A$', 'PRINT "got=",A$')
        expect_in("got=echo:hi", out, "a verified secure client", oru)
        out = oru.run('PRINT "subject=",FIN(2,"X509_SUBJECT")', 'PRINT "issuer=",FIN(2,"X509_ISSUER")',
                      'PRINT "after=",FIN(2,"X509_NOT_AFTER")', 'PRINT "before=",FIN(2,"X509_NOT_BEFORE")',
                      'PRINT "type=",FIN(2,"X509_KEYTYPE")', 'PRINT "mine=",FIN(2,"MY_X509_SUBJECT")')
        expect_in("subject=/CN=localhost\n", out, "X509_SUBJECT", oru)
        expect_in("issuer=/CN=localhost\n", out, "X509_ISSUER", oru)
        year = time.gmtime(time.time() + 15000 * 86400).tm_year
        expect_in("after=%d/" % year, out, "a validity end after 2049", oru)
        expect_in("before=%d/" % time.gmtime().tm_year, out, "the validity start", oru)
        expect_in("type=RSA:2048 bits", out, "X509_KEYTYPE", oru)
        expect_in("mine=<No X509>", out, "a client without a certificate of its own", oru)
        # A peer that drops the connection in the middle of the stream.
        out = oru.run('PRINT (2)"cut"', 'READ (2,TIM=5)A$', 'PRINT "part=",A$')
        expect_in("part=partial data", out, "the bytes before the drop", oru)
        expect(oru.err('READ (2,TIM=5,END=90)A$')[0], 2, "then end of file", oru)
        oru.run("CLOSE (2)")
        # Certificates that must be refused, and NOVERIFY.
        e, _ = oru.err('OPEN (2,TIM=10,ERR=90)"[tcp]127.0.0.1;%d;SECURE=%s"' % (sport, ocrt))
        expect(e, 13, "a certificate of another issuer", oru)
        expect(oru.run('PRINT "[",MSG(-1),"]"'), "[Unable to connect securely]\n", "the failed handshake's text", oru)
        expect_in("Certificate not accepted", traced(), "the reason in the trace log", oru)
        wsrv, wport, _ = tls_server(wcrt, wkey)
        e, _ = oru.err('OPEN (2,TIM=10,ERR=90)"[tcp]127.0.0.1;%d;SECURE=%s"' % (wport, wcrt))
        expect(e, 13, "a certificate for another host name", oru)
        expect_in("mismatch", traced().lower(), "the host-name reason in the trace log", oru)
        out = oru.run('OPEN (2,TIM=10)"[tcp]127.0.0.1;%d;SECURE=%s;NOVERIFY"' % (wport, wcrt),
                      'PRINT (2)"nv"', 'READ (2,TIM=5)A$', 'PRINT "nv=",A$', "CLOSE (2)")
        expect_in("nv=echo:nv", out, "NOVERIFY skips the checks", oru)
        e, _ = oru.err('OPEN (2,TIM=10,ERR=90)"[tcp]127.0.0.1;%d;SECURE"' % sport)
        expect(e, 13, "SECURE without a file verifies against the host's store", oru)
        # A secure client against a server that does not speak TLS.
        psrv, pport = listener()
        holder = []
        threading.Thread(target=lambda: holder.append(psrv.accept()[0].sendall(b"not tls at all\r\n")),
                         daemon=True).start()
        e, _ = oru.err('OPEN (2,TIM=5,ERR=90)"[tcp]127.0.0.1;%d;SECURE"' % pport)
        expect(e, 13, "a server that does not speak TLS", oru)
        # A server that closes at once: the handshake's 0 is a failure.
        csrv, cport = listener()
        threading.Thread(target=lambda: csrv.accept()[0].close(), daemon=True).start()
        e, _ = oru.err('OPEN (2,TIM=5,ERR=90)"[tcp]127.0.0.1;%d;SECURE"' % cport)
        expect(e, 13, "a server that closes during the handshake", oru)
        expect(oru.run("PRINT MSG(-1)"), "Unable to connect securely\n", "the text of a handshake the server ended", oru)
        why = traced().splitlines()[-1]
        if "handshake" not in why and "unexpected eof" not in why:
            fail("the reason of a handshake the server ended: %r" % why, oru)
        csrv.close()
        # A certificate file that holds no certificate.
        bad = scratch.file("bad.pem")
        with open(bad, "w") as f:
            f.write("-----BEGIN CERTIFICATE-----\nnot base64\n-----END CERTIFICATE-----\n")
        e, _ = oru.err('OPEN (1,ERR=90)"[tcp];0;SECURE=%s"' % bad)
        expect(e, 13, "a server certificate file that is not one", oru)
        e, _ = oru.err('OPEN (1,ERR=90)"[tcp];0;SECURE=%s"' % crt)
        expect(e, 13, "a server file without its private key", oru)
        expect_fds(oru, base, "descriptors after the secure channels")
        srv.close()
        wsrv.close()
        psrv.close()
    finally:
        oru.quit()


main(test)
