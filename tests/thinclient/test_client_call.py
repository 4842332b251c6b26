# CALL of programs on the thin client ('$' 'C'): "[vrl]" and "[lcl]" names
# with a client attached, "[rpc:server]" names through a program server;
# the arguments as items, the values handed back assigned to the variables
# passed by reference; then the faults: a malformed answer (86, nothing
# assigned), a refusal (the client's code; 201 with no upload pending), an
# array argument (36), 49 arguments (30); a host program the client fetches
# (uploaded when it asks); a client that goes away during the call.
import os
import re
import shutil
import struct
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, can, check, goes_away_during, status  # noqa: E402
from tcpserver import ProgramServer  # noqa: E402


def entry(kind, text):
    return kind + struct.pack(">H", len(text)) + text


def call(r):
    p = r.payload
    n = struct.unpack(">H", p[:2])[0]
    name = p[2:2 + n]
    if name == b"prog":
        return entry(b"S", b"new") + entry(b"N", b"42.5")
    if name == b"short":
        return entry(b"S", b"only")
    if name == b"bad":
        return entry(b"S", b"x") + b"N\x00\x09ab"          # a length past the end
    if name == b"badnum":
        return entry(b"S", b"changed") + entry(b"N", b"4x")
    if name == b"kind":
        return entry(b"N", b"1")                          # a number for a string
    if name == b"more":
        return entry(b"S", b"a") + entry(b"N", b"1") + entry(b"S", b"extra")
    if name == b"refuse":
        return can(46)
    if name == b"upload":
        return can(201)
    if name.startswith(b"*kest\\vrl\\util;call;#"):
        # The host program: asked for once, then run.
        fetched.append(name)
        return can(201) if len(fetched) == 1 else entry(b"S", b"fetched")
    if name == b"*kest/vrl/util;upload":
        uploads.append(r.payload)
        return b""
    return b""


fetched, uploads = [], []


def error_of(t, tag):
    m = re.search(tag + r" +(\d+)", t)
    return int(m.group(1)) if m else None


# A "*" name is a program of the library directory: a private one here,
# holding the build's library and the host program.
lib = tempfile.mkdtemp(prefix="oru_tclib_")
for name in os.listdir(sys.argv[2]):
    os.symlink(os.path.join(os.path.abspath(sys.argv[2]), name), os.path.join(lib, name))
with open(os.path.join(lib, "_hostprog"), "w") as f:
    f.write("10 EXIT\n")
host_version = int(os.stat(os.path.join(lib, "_hostprog")).st_mtime)
c = Client(level=12, env={"ORULIB": lib})
c.handlers["$C"] = call
args49 = ",".join(["1"] * 49)
c.lines('1 CALL "[vrl]prog",A$,B,ERR=2',
        '2 PRINT "NOCLIENT ",ERR; END',
        "10 DEFTTY F (0)80,25",
        '20 A$="old"; B=7; C=-3.25',
        '30 CALL "[vrl]prog",A$,B,"lit",C,B+1',
        '40 PRINT "GOT ",A$," ",B," ",C',
        '50 CALL "[LCL]short",A$,B; PRINT "LCL ",A$," ",B',
        '60 A$="keep"; B=1',
        '70 CALL "[vrl]bad",A$,B,ERR=200',
        '80 CALL "[vrl]badnum",A$,B,ERR=210',
        '90 CALL "[vrl]kind",A$,ERR=220',
        '100 CALL "[vrl]more",A$,B,ERR=230',
        '110 CALL "[vrl]refuse",A$,ERR=240',
        '120 CALL "[vrl]upload",A$,ERR=250',
        '130 DIM Q[3]; CALL "[vrl]prog",Q[ALL],ERR=260',
        '140 CALL "[vrl]prog",' + args49 + ',ERR=270',
        '145 PRINT "KEPT ",A$," ",B',
        '150 CALL "[vrl]*hostprog",A$,ERR=280; PRINT "HOST ",A$',
        '160 PRINT "AFTER ",A$," ",B; PRINT "FIN"+"ISHED"; END',
        '200 PRINT "E70 ",ERR; GOTO 80',
        '210 PRINT "E80 ",ERR; GOTO 90',
        '220 PRINT "E90 ",ERR; GOTO 100',
        '230 PRINT "E100 ",ERR; GOTO 110',
        '240 PRINT "E110 ",ERR; GOTO 120',
        '250 PRINT "E120 ",ERR; GOTO 130',
        '260 PRINT "E130 ",ERR; GOTO 140',
        '270 PRINT "E140 ",ERR; GOTO 145',
        '280 PRINT "E150 ",ERR; GOTO 160',
        "RUN 1", "RUN 10")
check(c.wait_text("FINISHED"), "program did not end", c)
t = c.text()
check(error_of(t, "NOCLIENT") == 12, "a [vrl] call without a client: %r" % t, c)
check("GOT new  42.5 -3.25" in t, "values handed back: %r" % t, c)
check("LCL only  42.5" in t, "[lcl] call (a shorter answer): %r" % t, c)
for tag, code in (("E70", 86), ("E80", 86), ("E90", 86), ("E100", 86), ("E110", 46), ("E120", 201),
                  ("E130", 36), ("E140", 30)):
    check(error_of(t, tag) == code, "%s: %r in %r" % (tag, error_of(t, tag), t), c)
check("KEPT keep  1" in t, "a failed call assigned values: %r" % t, c)
check("AFTER fetched  1" in t and "HOST fetched" in t, "the host program's call: %r" % t, c)
# The host program goes through the client's utility with its version and
# path, is uploaded when the client asks, and is called again.
check(len(fetched) == 2 and fetched[0] == fetched[1], "host program calls: %r" % fetched, c)
check(fetched[0].startswith(b"*kest\\vrl\\util;call;#%d#" % host_version) and fetched[0].endswith(b"_hostprog"),
      "host program name: %r" % fetched[0], c)
check(len(uploads) == 1, "uploads: %r" % uploads, c)

calls = [r for r in c.requests if r.key() == "$C"]
first = calls[0].items("s" + "cs" * 5)
check(first == [b"prog", ord('S'), b"old", ord('N'), b"7", ord('S'), b"lit", ord('N'), b"-3.25", ord('N'), b"8"],
      "call items: %r" % first, c)
check(calls[1].items("scscs")[0] == b"short", "[lcl] name: %r" % calls[1].payload, c)
# The array, the 49 arguments and the host program went nowhere.
names = [r.items("s*")[0] for r in calls]
check(names.count(b"prog") == 1, "calls that should not go out: %r" % names, c)
c.finish()
c.remove()

# "[rpc:server]" names go to the program server over TCP.
srv = ProgramServer()
srv.handlers["$C"] = call
c = Client()
c.lines('10 PROCESS "srv"="[tcp]127.0.0.1;%d"' % srv.port,
        '20 A$="old"; B=1',
        '30 CALL "[rpc:srv]prog",A$,B',
        '40 PRINT "RPC ",A$," ",B',
        '50 CALL "[rpc:nosuch]prog",A$,ERR=100',
        '60 PRINT "DO"+"NE"; END',
        '100 PRINT "E50 ",ERR; GOTO 60',
        "RUN")
check(c.wait_text("DONE"), "program did not end", c)
t = c.text()
check("RPC new  42.5" in t, "[rpc:] call: %r" % t, c)
check(error_of(t, "E50") == 68, "unknown server: %r" % t, c)
check(srv.keys() == ["$C"] and srv.requests[0].items("scscs") == [b"prog", ord('S'), b"old", ord('N'), b"1"],
      "server requests: %r" % srv.requests, c)
c.finish()
c.remove()
srv.close()

shutil.rmtree(lib, ignore_errors=True)

# A client that goes away during the call: oru ends cleanly.
goes_away_during("$C", '20 CALL "[vrl]prog",A$')
print("ok")
