# A secure client channel verifies by default: the server's chain against
# the host's trusted certificates (moved here to a test authority through
# SSL_CERT_FILE, which the library's default places honour) and the host
# name it was opened by.  A certificate for another name fails with 13, a
# matching one connects, NOVERIFY connects to either; a certificate file in
# the name (SECURE=file) is checked by the name the same way.  Certificates
# are made here by the openssl command.
import os
import shutil
import ssl
import subprocess

from netlib import Oru, expect, expect_in, listener, main, serve_each, skip


def openssl(*args):
    subprocess.run(["openssl", *args], check=True, capture_output=True)


def make_ca(scratch, name):
    key, crt = scratch.file(name + ".key"), scratch.file(name + ".crt")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", crt, "-days", "2",
            "-subj", "/CN=" + name, "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    return crt, key


def make_leaf(scratch, name, san, ca):
    key, csr, crt = scratch.file(name + ".key"), scratch.file(name + ".csr"), scratch.file(name + ".crt")
    ext = scratch.file(name + ".ext")
    with open(ext, "w") as f:
        f.write("subjectAltName=%s\nbasicConstraints=CA:FALSE\n" % san)
    openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr, "-subj", "/CN=" + name)
    openssl("x509", "-req", "-in", csr, "-CA", ca[0], "-CAkey", ca[1], "-CAcreateserial", "-out", crt,
            "-days", "2", "-extfile", ext)
    return crt, key


def echo_server(crt, key):
    srv, port = listener()
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(crt, key)

    def serve(raw):
        try:
            c = ctx.wrap_socket(raw, server_side=True)
            while True:
                d = c.recv(4096)
                if not d:
                    break
                c.sendall(b"echo:" + d)
            c.close()
        except (ssl.SSLError, OSError):
            raw.close()

    serve_each(srv, serve)
    return srv, port


def test(scratch):
    if not shutil.which("openssl"):
        skip("no openssl command")
    ca = make_ca(scratch, "testca")
    other_ca = make_ca(scratch, "otherca")
    good = make_leaf(scratch, "localhost", "DNS:localhost", ca)
    wrong = make_leaf(scratch, "wrongname", "DNS:wrong.example", ca)
    gsrv, gport = echo_server(*good)
    wsrv, wport = echo_server(*wrong)
    empty_dir = scratch.file("no_certs")
    os.mkdir(empty_dir)
    oru = Oru(scratch, extra_env={"SSL_CERT_FILE": ca[0], "SSL_CERT_DIR": empty_dir})
    try:
        def talk(name, what):
            out = oru.run('OPEN (2,TIM=10)"[tcp]%s"' % name, 'PRINT (2)"hi"', 'READ (2,TIM=5)A$',
                          'PRINT "got=",A$', "CLOSE (2)")
            expect_in("got=echo:hi", out, what, oru)

        def refused(name, what):
            e, _ = oru.err('OPEN (2,TIM=10,ERR=90)"[tcp]%s"' % name)
            expect(e, 13, what, oru)

        talk("localhost;%d;SECURE" % gport, "a certificate for the name, from a trusted authority")
        refused("localhost;%d;SECURE" % wport, "a certificate for another host name")
        talk("localhost;%d;SECURE;NOVERIFY" % wport, "NOVERIFY connects to a certificate for another name")
        refused("localhost;%d;SECURE=%s" % (wport, ca[0]), "SECURE=file: another host name")
        talk("localhost;%d;SECURE=%s" % (gport, ca[0]), "SECURE=file: the matching name")
    finally:
        oru.quit()
    # An authority the host does not trust.
    oru = Oru(scratch, extra_env={"SSL_CERT_FILE": other_ca[0], "SSL_CERT_DIR": empty_dir})
    try:
        e, _ = oru.err('OPEN (2,TIM=10,ERR=90)"[tcp]localhost;%d;SECURE"' % gport)
        expect(e, 13, "a server whose authority the host does not trust", oru)
        out = oru.run('OPEN (2,TIM=10)"[tcp]localhost;%d;NOVERIFY;SECURE"' % gport, 'PRINT (2)"x"',
                      'READ (2,TIM=5)A$', 'PRINT "got=",A$', "CLOSE (2)")
        expect_in("got=echo:x", out, "NOVERIFY before SECURE", oru)
    finally:
        oru.quit()
    gsrv.close()
    wsrv.close()


main(test)
