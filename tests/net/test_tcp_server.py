# A server channel with several Python clients at once: each new client is
# announced by an empty READ; READ serves the clients that sent data (the
# newest first) and makes each current for the answer; KEY= and IND= choose
# a client; a client that leaves gives end of file and leaves the list;
# REMOVE drops the current client; SINGLE refuses a second client; ONESHOT
# turns the channel into a client channel at its first accept; a TIM= wait
# is bounded as a whole however many clients come and go during it.
import socket
import time

from netlib import Oru, expect, expect_fds, expect_in, fail, main, recv_exact, server_port


def connect(port):
    return socket.create_connection(("127.0.0.1", port), timeout=10)


def announce(oru, n):
    """n empty READs (new clients); returns their IND( values."""
    inds = []
    for _ in range(n):
        out = oru.run('READ (1,TIM=5)A$', 'PRINT "new=",LEN(A$),"/",IND(1),"/",KEY(1)')
        line = [l for l in out.splitlines() if l.startswith("new=")]
        if not line:
            fail("no client announced: %r" % out, oru)
        parts = line[0][4:].split("/")
        expect(parts[0].strip(), "0", "an empty READ announces a client", oru)
        expect(parts[2], "127.0.0.1", "KEY( of a new client", oru)
        inds.append(int(parts[1]))
    return inds


def test(scratch):
    oru = Oru(scratch)
    try:
        oru.run("PRINT 1")
        base = oru.fds()
        oru.run('OPEN (1)"[tcp];0"')
        port = server_port(oru, 1)
        # No client yet: the peer text is empty.
        expect(oru.run('PRINT "[",FIN(1,"IPADDR"),"]"'), "[]\n", "FIN( IPADDR of a fresh server channel", oru)
        clients = [connect(port) for _ in range(3)]
        inds = announce(oru, 3)
        if len(set(inds)) != 3:
            fail("three clients, three sockets: %r" % inds, oru)
        # Each client sends; each READ serves one, and WRITE answers it.
        for i, c in enumerate(clients):
            c.sendall(b"from%d" % i)
        time.sleep(0.3)
        seen = set()
        for _ in range(3):
            out = oru.run('READ (1,TIM=5,SIZ=100)A$', 'PRINT "got=",A$,"/",IND(1)', 'PRINT (1)"re:",A$')
            got = [l for l in out.splitlines() if l.startswith("got=")][0][4:].split("/")
            seen.add(got[0])
        expect(seen, {"from0", "from1", "from2"}, "every client's data is read", oru)
        for i, c in enumerate(clients):
            expect(recv_exact(c, 10), b"re:from%d\r\n" % i, "each answer reaches its own client", oru)
        # IND= makes a client current for WRITE; KEY= naming the address
        # takes the first client in the list.
        oru.run('WRITE (1,IND=%d)"to0"' % inds[0])
        expect(recv_exact(clients[0], 4), b"to0\x8a", "WRITE with IND=", oru)
        oru.run('WRITE (1,KEY="127.0.0.1")"bykey"')
        got = []
        for c in clients:
            c.settimeout(0.3)
            try:
                got.append(c.recv(100))
            except socket.timeout:
                got.append(b"")
            c.settimeout(10)
        expect(got.count(b"bykey\x8a"), 1, "KEY= picks one client", oru)
        expect(oru.err('WRITE (1,KEY="10.9.9.9",DOM=90)"x"')[0], 11, "KEY= of no client", oru)
        expect(oru.err('WRITE (1,IND=9999,DOM=90)"x"')[0], 11, "IND= of no client", oru)
        # A client that leaves: end of file, and it is gone from the list.
        clients[1].close()
        e, out = oru.err('READ (1,TIM=5,END=90)A$')
        expect(e, 2, "a client that closed gives end of file", oru)
        expect(oru.err('WRITE (1,IND=%d,DOM=90)"x"' % inds[1])[0], 11, "the closed client is gone", oru)
        # REMOVE drops the current client.
        oru.run('WRITE (1,IND=%d)"last"' % inds[2], 'REMOVE (1,IND=%d)' % inds[2])
        expect(recv_exact(clients[2], 100), b"last\x8a", "REMOVE after the last WRITE", oru)
        expect(oru.err('WRITE (1,IND=%d,DOM=90)"x"' % inds[2])[0], 11, "the removed client is gone", oru)
        # A TIM= wait is bounded as a whole: clients that connect and leave
        # during it do not start it again.
        t0 = time.time()
        oru.type('READ (1,TIM=2,SIZ=10)A$')
        for _ in range(6):
            time.sleep(0.4)
            connect(port).close()
        oru.run('PRINT "x"', timeout=20)
        # (the READ above was served by one of the arrivals or timed out)
        e, _ = oru.err('FOR I=1 TO 50; READ (1,TIM=2,ERR=90)A$; NEXT I')
        took = time.time() - t0
        expect(e in (0, 2), True, "a wait with arrivals ends (time-out or a leaving client)", oru)
        if took > 30:
            fail("waits with arrivals took %.1f s" % took, oru)
        oru.run("CLOSE (1)")
        clients[0].close()

        # SINGLE: a second client is closed at once while the first is there.
        oru.run('OPEN (1)"[tcp];0;SINGLE"')
        port = server_port(oru, 1)
        first = connect(port)
        announce(oru, 1)
        second = connect(port)
        e, _ = oru.err('READ (1,TIM=1,ERR=90)A$')
        expect(e, 0, "SINGLE: no second client is announced", oru)
        second.settimeout(5)
        expect(second.recv(10), b"", "SINGLE: the second client is closed", oru)
        first.sendall(b"still")
        out = oru.run('READ (1,TIM=5)A$', 'PRINT "single=",A$')
        expect_in("single=still", out, "SINGLE: the first client is served", oru)
        oru.run("CLOSE (1)")
        first.close()
        second.close()

        # ONESHOT: one accept, then a client channel on that connection.
        oru.run('OPEN (1)"[tcp];0;ONESHOT"')
        port = server_port(oru, 1)
        one = connect(port)
        announce(oru, 1)
        try:
            connect(port).close()
            fail("ONESHOT still listens after its accept", oru)
        except OSError:
            pass
        one.sendall(b"oneshot")
        out = oru.run('READ (1,TIM=5)A$', 'PRINT "one=",A$', 'WRITE (1)"ok"')
        expect_in("one=oneshot", out, "ONESHOT reads its client", oru)
        expect(recv_exact(one, 3), b"ok\x8a", "ONESHOT answers its client", oru)
        one.close()
        expect(oru.err('READ (1,TIM=5,END=90)A$')[0], 2, "ONESHOT client gone", oru)
        oru.run("CLOSE (1)")
        # A server port already in use.
        hold = socket.socket()
        hold.bind(("127.0.0.1", 0))
        hold.listen(1)
        e, _ = oru.err('OPEN (1,ERR=90)"[tcp];%d;BINDTO=127.0.0.1"' % hold.getsockname()[1])
        expect(e, 15, "a port in use", oru)
        hold.close()
        expect_fds(oru, base, "descriptors after closing the servers")
    finally:
        oru.quit()


main(test)
