"""N cycles of opening a framed 40x10 window over a full 80x24 screen,
writing its inside full and dropping it, through a pseudo-terminal: oru
with WDW(, @( and DRP( against Python's curses doing the same with newwin,
box, addstr, refresh and delwin (the screen beneath touched and refreshed).
Reports cycles per second and bytes sent per cycle.
Usage: windows.py <oru> <libdir> [cycles]"""
import fcntl, os, pty, struct, subprocess, sys, termios, time

oru, lib = sys.argv[1], sys.argv[2]
N = int(sys.argv[3]) if len(sys.argv) > 3 else 10000

ORU_PROGRAM = f"""10 DIM L$[25]
20 FOR K=0 TO 25; L$[K]=CHR(65+K); L$[K]*=38; NEXT K
30 PRINT 'CS','EW',
40 FOR Y=0 TO 23; PRINT @(0,Y),DIM(80,"."),; NEXT Y
50 FOR F=1 TO {N}
60 K=F-INT(F/26)*26
70 PRINT WDW(20,7,40,10,1,"Bench"),
80 FOR Y=0 TO 7; PRINT @(0,Y),L$[K],; NEXT Y
90 PRINT DRP(1),
100 NEXT F
110 PRINT 'BW','CS',
RUN
QUIT
"""

CURSES_PROGRAM = f"""
import curses
def main(scr):
    lines = [chr(65 + k) * 38 for k in range(26)]
    scr.clear()
    for y in range(24):
        try:
            scr.addstr(y, 0, "." * 80)
        except curses.error:
            pass  # the bottom-right cell moves the cursor off the screen
    scr.refresh()
    for f in range(1, {N} + 1):
        s = lines[f % 26]
        w = curses.newwin(10, 40, 7, 20)
        w.box()
        w.addstr(0, 17, "Bench")
        for y in range(8):
            w.addstr(y + 1, 1, s)
        w.refresh()
        del w
        scr.touchwin()
        scr.refresh()
curses.wrapper(main)
"""

def run(argv, stdin_text):
    master, slave = pty.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
    env = dict(os.environ, TERM="xterm", ORULIB=lib, LINES="24", COLUMNS="80")
    start = time.perf_counter()
    p = subprocess.Popen(argv, stdin=subprocess.PIPE if stdin_text else slave, stdout=slave, stderr=slave,
                         env=env, close_fds=True)
    os.close(slave)
    if stdin_text:
        p.stdin.write(stdin_text.encode())
        p.stdin.close()
    total = 0
    while True:
        try:
            b = os.read(master, 65536)
        except OSError:
            break
        if not b:
            break
        total += len(b)
    p.wait()
    secs = time.perf_counter() - start
    os.close(master)
    return secs, total

oru_s, oru_b = run([oru], ORU_PROGRAM)
cur_s, cur_b = run([sys.executable, "-c", CURSES_PROGRAM], None)
print(f"oru    : {N / oru_s:9.0f} cycles/s  {oru_b / N:7.1f} bytes/cycle  ({oru_s:.2f} s)")
print(f"curses : {N / cur_s:9.0f} cycles/s  {cur_b / N:7.1f} bytes/cycle  ({cur_s:.2f} s)")
print(f"oru/curses: speed x{cur_s / oru_s:.2f}, bytes {100.0 * oru_b / cur_b - 100:+.1f} %")
