# Thin-client round trips beside a Python request/reply loop over the same
# carriers.  One responder (the client's side, below) serves both: over the
# console stream (oru, or the Python host, started on pipes) and over
# loopback TCP (a program server's channel).  Measured: requests per second
# for READ on a client channel (awaits a reply: 'F' 'R') and for PRINT of a
# mnemonic on it (no reply: 'F' 'p'), timed by the responder from the first
# to the last request of each run, and bytes per request against the frame
# minimum (header + items).  A third run alternates the two (PRINT then READ,
# the pattern of a screen program) on a second channel, over the channel
# name alone: the host must switch Nagle's algorithm off itself, or each
# READ after a PRINT waits for the peer's delayed acknowledgement.
# Usage: python3 bench/thinclient.py BUILD_DIR [requests]
import os
import pty
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import tty

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
N = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
M = max(2, N // 40)  # the alternating run (a host with Nagle on needs ~40 ms a pair)
oru = os.path.join(build, "oru")
RUN_LIMIT = 60  # seconds without a request before a run is given up
env = dict(os.environ)
env["ORULIB"] = os.path.abspath(env.get("ORULIB", os.path.join(build, "lib")))
env.pop("ORUINI", None)


def crc16(data):
    c = 0
    for b in data:
        c ^= b
        for _ in range(8):
            c = (c >> 1) ^ 0xA001 if c & 1 else c >> 1
    return c


def reply(data, tcp):
    return b"\x16\x06" + struct.pack(">HH", len(data), crc16(data) if not tcp else 0) + data


HELLO = bytes(21) + b"\x0c" + bytes(10)
RECORD = struct.pack(">h", -1) + b"record-0001"


class Stats:
    def __init__(self):
        self.t = {}      # key -> [first time, last time, count, bytes]


def respond(rd, wr, tcp, stats, done):
    """Reads frames from rd (a callable giving bytes), answers through wr."""
    buf = bytearray()
    canned = {}
    phase = ""  # "m" after the first channel's close: the alternating run
    while True:
        data = rd()
        if not data:
            break
        buf += data
        pat = b"\x16\x02" if tcp else b"\x16\x16\x16\x02"
        while True:
            start = buf.find(pat)
            if start < 0:
                del buf[:max(0, len(buf) - 3)]
                break
            if start:
                del buf[:start]
            h = len(pat)
            if len(buf) < h + 6:
                break
            major, minor = buf[h], buf[h + 1]
            n = struct.unpack(">H", buf[h + 2:h + 4])[0]
            total = h + 6 + n
            if len(buf) < total:
                break
            key = chr(major & 0x7F) + chr(minor & 0x7F)
            del buf[:total]
            s = stats.t.setdefault(phase + key, [0.0, 0.0, 0, 0])
            now = time.perf_counter()
            if s[2] == 0:
                s[0] = now
            s[1] = now
            s[2] += 1
            s[3] += total
            if key == "FC":
                phase = "m"
            if key in ("Fp", "FC", "P ") or major == 0xD0:
                continue
            if key == "* ":
                out = HELLO
            elif key == "FO":
                out = struct.pack(">HH", 1, 4096)
            elif key == "FR":
                out = RECORD
            else:
                out = b""
            r = canned.get((key, out))
            if r is None:
                r = canned[(key, out)] = reply(out, tcp)
            wr(r)
    done.set()


LOOP = ['30 FOR I=1 TO %d' % N, '40 READ (1,KEY="k")A$', '50 NEXT I', '60 FOR I=1 TO %d' % N,
        "70 PRINT (1)'CS',", '80 NEXT I', '90 CLOSE (1)', '91 OPEN (2)"%s"', '92 FOR I=1 TO %d' % M,
        "93 PRINT (2)'CS',", '94 READ (2,KEY="k")A$', '95 NEXT I', '96 CLOSE (2)', '99 END']


def run_oru(tcp):
    stats, done = Stats(), threading.Event()
    tmp = tempfile.mkdtemp(prefix="oru_tc_bench_")
    if tcp:
        ls = socket.socket()
        ls.bind(("127.0.0.1", 0))
        ls.listen(1)
        port = ls.getsockname()[1]
        lines = ['10 PROCESS "s"="[tcp]127.0.0.1;%d"' % port, '20 OPEN (1)"[rpc:s]x"'] + LOOP
    else:
        lines = ['10 DEFTTY F (0)80,25', '20 OPEN (1)"[vrl]x"'] + LOOP
    lines = [l % ("[rpc:s]y" if tcp else "[vrl]y") if "OPEN (2)" in l else l for l in lines]
    # The console's output is a raw pseudo-terminal: a process whose output
    # is not a terminal runs in the background, where DEFTTY F attaches no
    # client (the program would stop at its first client OPEN and wait).
    master, slave = pty.openpty()
    tty.setraw(slave)
    p = subprocess.Popen([oru], stdin=subprocess.PIPE, stdout=slave, stderr=subprocess.DEVNULL,
                         cwd=tmp, env=env, bufsize=0)
    os.close(slave)
    p.stdin.write(("\n".join(lines) + "\nRUN\n").encode())
    p.stdin.flush()
    if tcp:
        conn, _ = ls.accept()
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        t = threading.Thread(target=respond, args=(lambda: conn.recv(65536), conn.sendall, True, stats, done))
        t.start()
        wait_for_end(stats, t, p)
        p.stdin.close()
        done.wait(60)
        conn.close()
    else:
        fd_out = p.stdin.fileno()
        t = threading.Thread(target=respond, args=(lambda: read_master(master), lambda b: os.write(fd_out, b),
                                                   False, stats, done))
        t.start()
        # The program ends at its END; the console's next read ends it.
        wait_for_end(stats, t, p)
        p.stdin.close()
        done.wait(60)
    try:
        p.wait(60)
    except subprocess.TimeoutExpired:
        p.kill()
        p.wait()
    if not tcp:
        t.join(10)
    os.close(master)
    return stats


def read_master(fd):
    """Console output from the pseudo-terminal; its end (EIO once oru and
    every holder of the other side closed it) is the end of the stream."""
    try:
        return os.read(fd, 65536)
    except OSError:
        return b""


def wait_for_end(stats, responder, p):
    """Waits until the last channel's close came, the responder stopped, or
    oru ended; a run that makes no progress for RUN_LIMIT seconds is given
    up (oru killed) so that the benchmark always ends."""
    last, since = -1, time.monotonic()
    while stats.t.get("mFC", [0, 0, 0])[2] == 0 and responder.is_alive() and p.poll() is None:
        seen = sum(s[2] for s in list(stats.t.values()))
        if seen != last:
            last, since = seen, time.monotonic()
        elif time.monotonic() - since > RUN_LIMIT:
            print("no progress for %d s: run abandoned" % RUN_LIMIT, file=sys.stderr)
            p.kill()
            break
        time.sleep(0.05)


PY_HOST = r'''
import os, socket, struct, sys
tcp = sys.argv[1] == "tcp"; n = int(sys.argv[2]); m = int(sys.argv[3])
def crc16(d):
    c = 0
    for b in d:
        c ^= b
        for _ in range(8): c = (c >> 1) ^ 0xA001 if c & 1 else c >> 1
    return c
if tcp:
    s = socket.create_connection(("127.0.0.1", int(sys.argv[4]))); s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    send, recv = s.sendall, lambda: s.recv(65536)
else:
    send, recv = (lambda b: os.write(1, b)), (lambda: os.read(0, 65536))
lead = b"\x16\x02" if tcp else b"\x16\x16\x16\x02"
def frame(major, minor, payload):
    return lead + bytes([major, minor]) + struct.pack(">HH", len(payload), crc16(payload) if payload else 0) + payload
buf = bytearray()
def await_reply():
    global buf
    while True:
        if len(buf) >= 6 and buf[0] == 0x16 and buf[1] == 6:
            n = struct.unpack(">H", buf[2:4])[0]
            if len(buf) >= 6 + n:
                data = bytes(buf[6:6 + n]); del buf[:6 + n]
                return data
        buf += recv()
key = b"k"
send(frame(ord("F"), ord("O"), b" \x00\x00\x00\x01x\x00\x00")); await_reply()
for i in range(n):
    payload = struct.pack(">hcc", 1, b"K", b" ") + struct.pack(">H", len(key)) + key + struct.pack(">ih", -1, -1)
    send(frame(ord("F"), ord("R"), payload)); data = await_reply()
    if struct.unpack(">h", data[:2])[0] != -1: sys.exit(3)
for i in range(n):
    text = b"\x1bCS"
    payload = struct.pack(">hH", 1, len(text)) + text
    send(frame(ord("F"), ord("p"), payload))
send(frame(ord("F"), ord("C"), struct.pack(">h", 1)))
send(frame(ord("F"), ord("O"), b" \x00\x00\x00\x01y\x00\x00")); await_reply()
for i in range(m):
    text = b"\x1bCS"
    send(frame(ord("F"), ord("p"), struct.pack(">hH", 1, len(text)) + text))
    payload = struct.pack(">hcc", 1, b"K", b" ") + struct.pack(">H", len(key)) + key + struct.pack(">ih", -1, -1)
    send(frame(ord("F"), ord("R"), payload)); data = await_reply()
send(frame(ord("F"), ord("C"), struct.pack(">h", 1)))
'''


def run_python(tcp):
    stats, done = Stats(), threading.Event()
    if tcp:
        ls = socket.socket()
        ls.bind(("127.0.0.1", 0))
        ls.listen(1)
        port = ls.getsockname()[1]
        p = subprocess.Popen([sys.executable, "-c", PY_HOST, "tcp", str(N), str(M), str(port)])
        conn, _ = ls.accept()
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        respond(lambda: conn.recv(65536), conn.sendall, True, stats, done)
        conn.close()
    else:
        p = subprocess.Popen([sys.executable, "-c", PY_HOST, "pipe", str(N), str(M)], stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, bufsize=0)
        respond(lambda: os.read(p.stdout.fileno(), 65536), lambda b: os.write(p.stdin.fileno(), b), False,
                stats, done)
    p.wait(60)
    return stats


def show(name, st):
    for key, label, items in (("FR", "awaits a reply", 2 + 1 + 1 + 3 + 4 + 2), ("Fp", "no reply", 2 + 5),
                              ("mFR", "PRINT+READ", 2 + 1 + 1 + 3 + 4 + 2)):
        s = st.t.get(key)
        if not s or s[2] < 2:
            print("%-26s %-15s no requests seen" % (name, label))
            continue
        rate = (s[2] - 1) / (s[1] - s[0]) if s[1] > s[0] else 0
        head = 8 if "TCP" in name else 10
        print("%-26s %-15s %9.0f requests/s  %5.1f bytes/request (minimum %d)" % (
            name, label, rate, s[3] / s[2], head + items))


for tcp in (False, True):
    carrier = "loopback TCP" if tcp else "console stream"
    show("oru, " + carrier, run_oru(tcp))
    show("Python, " + carrier, run_python(tcp))
