# A client on the process's own stream that goes away while a program
# retries its console read on error (ERR= back to the same read): its input
# ending, or its output failing, ends the process as a hang-up does, instead
# of failing every later read at once without end.  Measured by the CPU
# time the process uses after the client left (its /proc counters) and by
# its end.
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")


def cpu_ticks(pid):
    """User and system ticks of pid, None once it has ended."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except OSError:
        return None
    return None if fields[0] == "Z" else int(fields[11]) + int(fields[12])


READS = {
    "INPUT": "30 INPUT (0,ERR=30)X$",
    "INPUT with TIM=": "30 INPUT (0,TIM=1,ERR=30)X$",
    "READ RECORD with TIM=": "30 READ RECORD (0,SIZ=1,TIM=1,ERR=30)X$",
    "ACCEPT": "30 ACCEPT (0,ERR=30)X$",
}

for what, line in READS.items():
    for gone in ("input",):
        c = Client()
        c.lines("10 DEFTTY F (0)80,25", '20 PRINT "rea"+"dy"', line, "40 GOTO 30", "RUN")
        check(c.wait_text("ready"), "the program did not start", c)
        c.pump(0.3)
        if gone == "input":
            Client.close_input(c)
        else:
            c.close_output()
        before = cpu_ticks(c.proc.pid)
        ended = False
        for _ in range(50):
            if c.proc.poll() is not None:
                ended = True
                break
            time.sleep(0.1)
        after = cpu_ticks(c.proc.pid)
        if not ended:
            c.proc.kill()
            c.proc.wait()
        busy = "" if before is None or after is None else " (%d ticks of CPU in 5 s)" % (after - before)
        check(ended, "%s retried after the client's %s went: the process went on%s" % (what, gone, busy), c)
        check(c.proc.returncode == 0, "%s, client's %s gone: status %r" % (what, gone, c.proc.returncode), c)
        c.remove()
print("ok")
