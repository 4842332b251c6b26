# The process debug link serves its commands while the debugged program
# waits in a TCP READ: the debugger reads the status, evaluates and changes
# variables inside it; the waiting channel is busy for its commands (89)
# and stays open; the READ then gets its data and the program goes on with
# the changed value; a READ with TIM= still ends at its time however many
# commands came meanwhile; QUIT served in the wait ends the program.
import os
import socket
import subprocess
import sys
import threading
import time

from netlib import Oru, expect, expect_in, fail, listener, main, wait_sleeping


def target(scratch, port, tim, name):
    """Starts a debugged oru that writes its pid, connects to port and
    READs from it (with TIM=tim when given)."""
    prog = scratch.file(name + ".bas")
    opt = ",TIM=%s" % tim if tim else ""
    with open(prog, "w") as f:
        f.write('10 X=1; OPEN (1)"[tcp]127.0.0.1;%d"\n' % port)
        f.write('20 OPEN LOCK (2)"%s"; PRINT (2)TCB(506); CLOSE (2)\n' % (name + ".pid"))
        f.write('30 READ (1%s,ERR=60)A$\n' % opt)
        f.write('40 PRINT "got ",A$," x=",X; STOP\n')
        f.write('60 PRINT "err=",STR(ERR); STOP\n')
    env = dict(os.environ, ORULIB=os.path.abspath(sys.argv[2]))
    p = subprocess.Popen([os.path.abspath(sys.argv[1])], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, cwd=scratch.path, env=env)
    p.stdin.write(b'SERIAL "%s.pid"\nMERGE "%s.bas"\nRUN\n' % (name.encode(), name.encode()))
    p.stdin.flush()
    return p


def pid_of(scratch, name, oru):
    path = scratch.file(name + ".pid")
    for _ in range(200):
        try:
            with open(path) as f:
                text = f.read().strip()
            if text:
                return int(text)
        except (OSError, ValueError):
            pass
        time.sleep(0.05)
    fail("the target did not write its process id", oru)


def test(scratch):
    srv, port = listener()
    dbg = Oru(scratch)
    t = target(scratch, port, None, "t1")
    conn, _ = srv.accept()
    pid = pid_of(scratch, "t1", dbg)
    wait_sleeping(pid, "the target's READ", dbg)
    out = dbg.run('PRINT "open:",TSK(/OPEN (%d))' % pid)
    expect_in("open:", out, "attach", dbg)
    out = dbg.run('R$=TSK(/:); PRINT "status:",R$(1,6)')
    expect_in("status:R00030", out, "the status names the waiting line", dbg)
    out = dbg.run('PRINT "eval:",TSK(/RETURN:"X+1")')
    expect_in("eval:2", out, "an expression evaluated in the wait", dbg)
    out = dbg.run('PRINT "exec:",TSK(/EXECUTE:"X=41")')
    expect_in("exec:OK", out, "a statement executed in the wait", dbg)
    out = dbg.run('E$=TSK(/EXECUTE:"CLOSE (1)"); PRINT "close:",ASC(E$),ASC(E$(2))')
    expect_in("close: 255 89", out, "the waiting channel is busy for the debugger", dbg)
    out = dbg.run('PRINT "detach:",TSK(/CLOSE)')
    expect_in("detach:OK", out, "detach", dbg)
    conn.sendall(b"hello")
    try:
        got = t.communicate(b"QUIT\n", timeout=20)[0].decode("latin-1")
    except subprocess.TimeoutExpired:
        t.kill()
        fail("the target did not finish after its READ", dbg)
    expect_in("got hello x= 41", got, "the READ goes on with the changed value", dbg)
    conn.close()

    # TIM= bounds the whole READ, commands or not: commands come for four
    # seconds, and the READ still ends at three (one that started its time
    # again at each command would end three seconds after the last, at 6.5 or
    # later).  The end is when the target's "err=" shows (its output is
    # written out when its console waits after the STOP).
    t = target(scratch, port, "3", "t2")
    conn, _ = srv.accept()
    pid = pid_of(scratch, "t2", dbg)
    t0 = time.time()
    out = {"text": b"", "end": None}

    def watch():
        while True:
            d = t.stdout.read1(4096)
            if not d:
                return
            out["text"] += d
            if out["end"] is None and b"err=" in out["text"]:
                out["end"] = time.time()

    watcher = threading.Thread(target=watch, daemon=True)
    watcher.start()
    wait_sleeping(pid, "the target's READ", dbg)
    dbg.run('X$=TSK(/OPEN (%d))' % pid)
    for _ in range(8):
        dbg.run('X$=TSK(/RETURN:"X")')
        time.sleep(0.5)
    dbg.run('X$=TSK(/CLOSE)')
    t.stdin.write(b"QUIT\n")
    t.stdin.close()
    try:
        t.wait(20)
    except subprocess.TimeoutExpired:
        t.kill()
        fail("the READ with TIM= did not end", dbg)
    watcher.join(20)
    got = out["text"].decode("latin-1")
    expect_in("err=0", got, "the READ timed out", dbg)
    took = out["end"] - t0
    if not 2.5 <= took <= 5.5:
        fail("a READ with TIM=3 that served commands ended after %.1f s" % took, dbg)
    conn.close()

    # QUIT served in the wait ends the program.
    t = target(scratch, port, None, "t3")
    conn, _ = srv.accept()
    pid = pid_of(scratch, "t3", dbg)
    wait_sleeping(pid, "the target's READ", dbg)
    dbg.run('X$=TSK(/OPEN (%d))' % pid)
    out = dbg.run('PRINT "quit:",TSK(/QUIT)')
    expect_in("quit:OK", out, "QUIT in the wait", dbg)
    try:
        t.wait(20)
    except subprocess.TimeoutExpired:
        t.kill()
        fail("QUIT served in a wait did not end the target: %r" % t.stdout.read(), dbg)
    conn.close()
    srv.close()
    dbg.quit()


main(test)
