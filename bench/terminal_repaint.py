"""A full 80x24 screen repainted N times through a pseudo-terminal, every
repaint changing every cell: oru with @( and text against Python's curses
doing the same repaints in one run.  Reports screens per second and bytes
sent per screen.  Usage: terminal_repaint.py <oru> <libdir> [repaints]"""
import fcntl, os, pty, struct, subprocess, sys, termios, time

oru, lib = sys.argv[1], sys.argv[2]
N = int(sys.argv[3]) if len(sys.argv) > 3 else 10000

ORU_PROGRAM = f"""10 DIM L$[25]
20 FOR K=0 TO 25
30 L$[K]=CHR(65+K); L$[K]*=80
40 NEXT K
50 PRINT 'CS',
60 FOR F=1 TO {N}
70 K=F-INT(F/26)*26
80 FOR Y=0 TO 23
90 PRINT @(0,Y),L$[K],
100 NEXT Y
110 NEXT F
120 PRINT 'CS',
RUN
QUIT
"""

CURSES_PROGRAM = f"""
import curses
def main(scr):
    lines = [chr(65 + k) * 80 for k in range(26)]
    scr.clear()
    for f in range(1, {N} + 1):
        s = lines[f % 26]
        for y in range(24):
            try:
                scr.addstr(y, 0, s)
            except curses.error:
                pass  # the bottom-right cell moves the cursor off the screen
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
print(f"oru    : {N / oru_s:9.0f} screens/s  {oru_b / N:7.1f} bytes/screen  ({oru_s:.2f} s)")
print(f"curses : {N / cur_s:9.0f} screens/s  {cur_b / N:7.1f} bytes/screen  ({cur_s:.2f} s)")
print(f"oru/curses: speed x{cur_s / oru_s:.2f}, bytes {100.0 * oru_b / cur_b - 100:+.1f} %")
