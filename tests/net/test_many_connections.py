# Many connections at once: 2,000 Python clients connect to one server
# channel, each is announced, answered and seen leaving; then, in a process
# allowed only a few descriptors, the clients beyond them make READ report
# the host's error instead of spinning, the program goes on with the others,
# and CLOSE leaves no descriptor behind in either case.
import resource
import socket
import time

from netlib import Oru, expect, expect_fds, expect_in, fail, main, server_port

MANY = 2000


def test(scratch):
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    need = MANY * 2 + 200
    if hard != resource.RLIM_INFINITY and hard < need:
        from netlib import skip
        skip("the descriptor limit %d is below %d" % (hard, need))
    resource.setrlimit(resource.RLIMIT_NOFILE, (max(soft, need), hard))
    oru = Oru(scratch)
    try:
        oru.run("PRINT 1")
        base = oru.fds()
        oru.run('OPEN (1)"[tcp];0"')
        port = server_port(oru, 1)
        program = ["DELETE", "10 LET NEW=0,GOT=0,LEFT=0",
                   "20 READ (1,TIM=20,SIZ=10,END=60,ERR=90)A$",
                   '30 IF A$="" THEN LET NEW=NEW+1 ELSE LET GOT=GOT+1; WRITE (1)"ok:"+A$',
                   "40 IF LEFT<%d THEN GOTO 20" % MANY,
                   '50 PRINT "new=",NEW," got=",GOT," left=",LEFT; STOP',
                   "60 LET LEFT=LEFT+1; GOTO 40",
                   '90 PRINT "error ",ERR; STOP', "RUN"]
        oru.type(*program)
        clients = []
        for i in range(MANY):
            clients.append(socket.create_connection(("127.0.0.1", port), timeout=60))
        for i, c in enumerate(clients):
            c.sendall(b"%d" % (i % 1000))
        for i, c in enumerate(clients):
            want = b"ok:%d\x8a" % (i % 1000)
            got = b""
            while len(got) < len(want):
                b = c.recv(100)
                if not b:
                    break
                got += b
            if got != want:
                fail("client %d got %r" % (i, got), oru)
        for c in clients:
            c.close()
        oru.wait_for("new= %d got= %d left= %d" % (MANY, MANY, MANY), timeout=120)
        oru.run("CLOSE (1)")
        expect_fds(oru, base, "descriptors after 2,000 connections")
    finally:
        oru.quit()

    # A process with 40 descriptors: the clients beyond them are reported.
    oru = Oru(scratch, limit_files=40)
    try:
        oru.run("PRINT 1")
        base = oru.fds()
        oru.run('OPEN (1)"[tcp];0"')
        port = server_port(oru, 1)
        clients = [socket.create_connection(("127.0.0.1", port), timeout=30) for _ in range(60)]
        t0 = time.time()
        oru.type("DELETE", "10 LET NEW=0", "20 READ (1,TIM=10,ERR=90)A$", "30 LET NEW=NEW+1; GOTO 20",
                 '90 PRINT "stopped=",ERR," new=",NEW; STOP', "RUN")
        oru.wait_for("\nstopped=", timeout=60)
        if time.time() - t0 > 8:
            fail("the READ spun on the clients it could not take", oru)
        out = oru.run('PRINT MSG(-1)')
        expect_in("Too many open files", out, "the host's reason", oru)
        expect_in("stopped= 15", oru.text(), "error 15 when no descriptor is left", oru)
        # The program goes on: clients that leave free descriptors, and the
        # queued ones are then taken.
        for c in clients[:20]:
            c.close()
        oru.type("DELETE", "10 LET NEW=0,GONE=0", "20 READ (1,TIM=3,END=40,ERR=90)A$",
                 '30 IF A$="" THEN LET NEW=NEW+1; GOTO 20', "35 GOTO 20", "40 LET GONE=GONE+1; GOTO 20",
                 '90 PRINT "ended=",ERR," new=",NEW," gone=",GONE; STOP', "RUN")
        oru.wait_for("\nended=", timeout=60)
        tail = oru.text().split("\nended=")[-1]
        # 20 left and 20 queued ones were taken; 5 are still queued beyond
        # the limit, which READ reports again.
        expect(tail.split()[0], "15", "still out of descriptors for the last queued clients", oru)
        if int(tail.split("new=")[1].split()[0]) < 10 or int(tail.split("gone=")[1].split()[0]) < 10:
            fail("queued clients were not taken after others left: %r" % tail, oru)
        oru.run("CLOSE (1)")
        for c in clients:
            c.close()
        expect_fds(oru, base, "descriptors after running out of them")
    finally:
        oru.quit()


main(test)
