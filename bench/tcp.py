# TCP channels beside Python's socket and ssl modules, plain and TLS, on
# loopback: a client sends N records of 100 bytes one WRITE (sendall) at a
# time to a draining peer, and a client reads N records (READ with SIZ=100,
# recv(100)) from a peer that sends them as fast as it can.  Every side is
# its own process; the figure is the wall time from the client's start to
# the end of both, best of three, with records per second and the CPU time
# of the client process (the peer's own work is the same for both).
# Usage: python3 bench/tcp.py BUILD_DIR [records]
import os
import shutil
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
n = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
here = os.path.dirname(os.path.abspath(__file__))
oru = os.path.join(build, "oru")
env = dict(os.environ)
env.setdefault("ORULIB", os.path.join(build, "lib"))
env["ORULIB"] = os.path.abspath(env["ORULIB"])
tmp = tempfile.mkdtemp(prefix="oru_tcp_bench_")


def peer(mode, cert):
    args = [sys.executable, os.path.join(here, "tcp_peer.py"), mode, str(n)] + ([cert] if cert else [])
    p = subprocess.Popen(args, stdout=subprocess.PIPE, text=True)
    return p, int(p.stdout.readline())


def oru_program(mode, port, tls):
    # The peer's certificate is made for the run and trusted by nobody.
    name = '"[tcp]127.0.0.1;%d%s"' % (port, ";SECURE;NOVERIFY" if tls else "")
    if mode == "send":
        lines = ['10 OPEN (1)' + name, '20 A$=DIM(99,"x")', "30 FOR I=1 TO %d" % n, "40 WRITE (1)A$",
                 "50 NEXT I", "60 CLOSE (1)", "RUN"]
    else:
        lines = ['10 OPEN (1)' + name, "20 T=0", "30 READ RECORD (1,SIZ=100,END=60)A$", "40 T=T+LEN(A$)",
                 "50 GOTO 30", "60 PRINT T", "RUN"]
    return "\n".join(lines) + "\n"


def one_run(who, mode, tls, cert):
    p, port = peer("sink" if mode == "send" else "source", cert if tls else "")
    t0 = time.perf_counter()
    if who == "oru":
        c = subprocess.Popen([oru], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             text=True, env=env, cwd=tmp)
        c.stdin.write(oru_program(mode, port, tls))
        c.stdin.close()
    else:
        args = [sys.executable, os.path.join(here, "tcp_client.py"), mode, str(port)]
        args += ([str(n)] if mode == "send" else []) + (["tls"] if tls else [])
        c = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    _, _, usage = os.wait4(c.pid, 0)
    c.returncode = 0
    output = c.stdout.read()
    total = int(p.stdout.readline() or 0)
    p.wait()
    took = time.perf_counter() - t0
    cpu[who, mode, tls] = min(cpu.get((who, mode, tls), 1e9), usage.ru_utime + usage.ru_stime)
    if total != n * 100:
        sys.exit("%s %s%s moved %d bytes, not %d:\n%s" % (who, mode, " tls" if tls else "", total, n * 100,
                                                       output[-800:]))
    return took


cpu = {}


def best(*args):
    return min(one_run(*args) for _ in range(3))


cert = ""
if shutil.which("openssl"):
    cert = os.path.join(tmp, "bench.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", cert, "-out",
                    cert + ".crt", "-days", "1", "-subj", "/CN=localhost"], check=True, capture_output=True)
    with open(cert, "a") as f:
        f.write(open(cert + ".crt").read())
try:
    print("records: %d of 100 bytes over loopback" % n)
    figures = {}
    for tls in ([False, True] if cert else [False]):
        for mode in ("send", "recv"):
            o = best("oru", mode, tls, cert)
            p = best("python", mode, tls, cert)
            figures[(tls, mode)] = o
            print("%-4s %-5s oru %6.2f s (%8.0f rec/s, cpu %5.2f s)  python3 %6.2f s (%8.0f rec/s, cpu %5.2f s)"
                  "  python/oru %.2fx" % ("tls" if tls else "tcp", mode, o, n / o, cpu["oru", mode, tls], p, n / p,
                                          cpu["python", mode, tls], p / o))
    for mode in ("send", "recv"):
        if (True, mode) in figures:
            print("tls/plain %s: %.2fx" % (mode, figures[(True, mode)] / figures[(False, mode)]))
finally:
    shutil.rmtree(tmp, ignore_errors=True)
