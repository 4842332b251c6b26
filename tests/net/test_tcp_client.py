# A client channel against Python peers on loopback: PRINT and WRITE send,
# READ returns what arrived (SIZ= caps it), KEY( IND( KEF( FIN( describe the
# connection, TIM= bounds a READ from a peer that never answers (error 0,
# not retried), a peer that closes in the middle of a record gives its bytes
# and then end of file, and the bad names and a refused connection give
# their errors without leaving a descriptor behind.
import socket
import threading
import time

from netlib import Oru, expect, expect_fds, expect_in, fail, listener, main, recv_exact, wait_until


def test(scratch):
    srv, port = listener()
    peers = []

    def accept_loop():
        while True:
            try:
                c, _ = srv.accept()
            except OSError:
                return
            peers.append(c)

    threading.Thread(target=accept_loop, daemon=True).start()
    oru = Oru(scratch)
    try:
        oru.run("PRINT 1")
        base = oru.fds()
        # ---- PRINT, WRITE, READ with and without SIZ=
        oru.run('OPEN (1)"[tcp]127.0.0.1;%d;NODELAY"' % port)
        wait_until(lambda: peers, "the peer's accept", oru)
        peer = peers[0]
        oru.run('PRINT (1)"hello"')
        expect(recv_exact(peer, 7), b"hello\r\n", "PRINT sends the line")
        oru.run('WRITE (1)"abc",12')
        expect(recv_exact(peer, 7), b"abc\x8a12\x8a", "WRITE sends the fields with the separator")
        peer.sendall(b"one\x8atwo\x8a")
        out = oru.run('READ (1)A$,B$', 'PRINT "[",A$,"|",B$,"]"')
        expect_in("[one|two]", out, "READ splits what arrived into fields", oru)
        peer.sendall(b"0123456789")
        out = oru.run('READ (1,SIZ=4)A$', 'PRINT "<",A$,">"', 'READ (1,SIZ=-100)A$', 'PRINT "<",A$,">"')
        expect_in("<0123>", out, "SIZ= caps a READ", oru)
        expect_in("<456789>", out, "the rest comes with the next READ", oru)
        # ---- the connection's descriptions
        out = oru.run('PRINT "key=",KEY(1)', 'PRINT "ipaddr=",FIN(1,"IPADDR")', 'PRINT "kef=",KEF(1)',
                      'PRINT "ind=",IND(1)')
        expect_in("key=127.0.0.1\n", out, "KEY( of a client channel is the host", oru)
        expect_in("ipaddr=127.0.0.1\n", out, "FIN( IPADDR", oru)
        expect_in("kef=127.0.0.1;%d;" % peer.getpeername()[1], out, "KEF( gives the local address and port", oru)
        ind = int(out.split("ind=")[1].split()[0])
        e, out = oru.err('READ (1,IND=%d,TIM=0.2,DOM=90)A$' % (ind + 1))
        expect(e, 11, "IND= of a socket that is not the channel's", oru)
        # ---- a peer that never answers: TIM= gives error 0 at once, no retry
        t0 = time.time()
        e, out = oru.err('READ (1,TIM=1,ERR=90)A$')
        took = time.time() - t0
        expect(e, 0, "READ with TIM= and no data", oru)
        if took > 5:
            fail("a TIM=1 READ took %.1f s" % took, oru)
        # ---- a peer that closes in the middle of a record
        peer.sendall(b"half a rec")
        peer.close()
        time.sleep(0.2)
        out = oru.run('READ (1)A$', 'PRINT "got=",A$')
        expect_in("got=half a rec", out, "the bytes before the close", oru)
        expect(oru.err('READ (1,END=90)A$')[0], 2, "then end of file", oru)
        expect(oru.err('READ (1,ERR=90)A$')[0], 2, "and end of file after that", oru)
        expect(oru.err('WRITE (1,ERR=90)"x"')[0], 11, "WRITE without a connection", oru)
        oru.run("CLOSE (1)")
        # ---- REMOVE drops the connection
        n = len(peers)
        oru.run('OPEN (1)"[tcp]localhost;%d"' % port)
        wait_until(lambda: len(peers) > n, "the second peer's accept", oru)
        peer = peers[-1]
        oru.run('PRINT (1)"bye"', "REMOVE (1)")
        expect(recv_exact(peer, 100), b"bye\r\n", "REMOVE sends what is buffered, then closes")
        expect(oru.err('READ (1,ERR=90)A$')[0], 2, "READ after REMOVE", oru)
        expect(oru.err('REMOVE (1,ERR=90)')[0], 13, "REMOVE without a connection", oru)
        oru.run("CLOSE (1)")
        # ---- names and connections that fail
        # A port bound and not listening refuses connections; it stays bound
        # to the end, so that no other test's listener can take it meanwhile.
        free = socket.socket()
        free.bind(("127.0.0.1", 0))
        dead = free.getsockname()[1]
        cases = [
            ('"[tcp]127.0.0.1"', 10, "no port part"),
            ('"[tcp]127.0.0.1;12x"', 10, "a letter in the port"),
            ('"[tcp]127.0.0.1;99999"', 10, "a port above 65535"),
            ('"[tcp]127.0.0.1;5;SINGLE"', 10, "SINGLE on a client"),
            ('"[tcp]127.0.0.1;5;ONESHOT"', 10, "ONESHOT on a client"),
            ('"[tcp]127.0.0.1;0"', 10, "a client without a port"),
            ('"[tcp]no.such.host.invalid;80"', 10, "a host that does not resolve"),
            ('"[tcp]255.255.255.255;80"', 10, "the all-ones address"),
            ('"[tcp];5;BINDTO=x.y"', 10, "BINDTO= without an address"),
            ('"[tcp]127.0.0.1;%d"' % dead, 15, "a refused connection"),
            ('"[tcp]127.0.0.1;%d;SECURE=%s"' % (port, scratch.file("none.pem")), 13, "a missing certificate file"),
        ]
        for name, err, what in cases:
            expect(oru.err('OPEN (1,ERR=90)%s' % name)[0], err, what, oru)
        e, out = oru.err('OPEN (1,ERR=90)"[tcp]127.0.0.1;%d"' % dead, 'PRINT MSG(-1)')
        out = oru.run('PRINT MSG(-1)')
        expect_in("Connection refused", out, "the refused connection's text", oru)
        oru.err('OPEN (1,ERR=90)"[tcp]127.0.0.1;%d;SECURE=nofile.pem"' % port)
        out = oru.run('PRINT MSG(-1)')
        expect_in("Can not find certificate file", out, "the missing certificate's text", oru)
        # A host part of 300 characters (the peer text is bounded), and a
        # long one that does not resolve.
        expect(oru.err('OPEN (1,ERR=90)"[tcp]"+DIM(300,"a")+";80"')[0], 10, "a host of 300 characters", oru)
        expect(oru.err('OPEN (1,ERR=90)"[tcp]"+DIM(200,"a")+".invalid;80"')[0], 10, "a long host", oru)
        # TIM= on OPEN is taken (seconds), the connection is made at once
        out = oru.run('OPEN (1,TIM=2)"[tcp]127.0.0.1;%d"; PRINT "tim=ok"' % port, "CLOSE (1)")
        expect_in("tim=ok", out, "TIM= on OPEN", oru)
        expect_fds(oru, base, "descriptors after the failed and closed channels")
    finally:
        oru.quit()
        srv.close()


main(test)
