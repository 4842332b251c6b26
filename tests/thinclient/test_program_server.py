# Client channels through a program server (the TCP carrier): PROCESS
# "name"="[tcp]host;port" defines the server, "[rpc:name]" names reach it;
# frames are 16 02 ..., replies are read whole from the channel.  Bad server
# names, a server still in use, a refusal, a malformed reply, a server that
# closes the connection mid-request.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tclient import Client, check, status  # noqa: E402
from tcpserver import ProgramServer  # noqa: E402

srv = ProgramServer()
srv.handlers["FO"] = lambda r: struct.pack(">HH", 3, 128)
srv.handlers["FW"] = lambda r: status(-1)


def read(r):
    key = r.items("iccsli")[3]
    if key == b"BAD":
        return b"\x16\x15\x00"        # not a reply (a NAK is no answer on TCP)
    if key == b"CAN":
        return b"\x16\x18\xfe"        # refused with a signed code (-2)
    if key == b"BYE":
        return "close"
    return status(-1) + b"remote:" + (key or b"")


srv.handlers["FR"] = read
c = Client()
c.lines('10 PROCESS "srv"="[tcp]127.0.0.1;%d"' % srv.port,
        '20 OPEN (1)"[rpc:srv]orders.dat"',
        '30 WRITE (1)"ORDER1"',
        '40 READ (1,KEY="K9")A$',
        '50 PRINT "GOT ",A$',
        '60 PROCESS "srv"=DELETE,ERR=65',
        '62 PRINT "NOT REACHED"',
        '65 PRINT "E60=",ERR',
        '100 CLOSE (1)',
        '110 OPEN (2,ERR=115)"[rpc:]x"',
        '115 PRINT "E110=",ERR',
        '120 OPEN (2,ERR=125)"[rpc:abcdefghijklm]x"',
        '125 PRINT "E120=",ERR',
        '130 OPEN (2,ERR=135)"[rpc:other]x"',
        '135 PRINT "E130=",ERR',
        '140 PROCESS "srv"="[tcp]127.0.0.1;1",ERR=145',
        '145 PRINT "E140=",ERR',
        '150 OPEN (1)"[rpc:SRV]orders.dat"',
        '160 READ (1,KEY="CAN",ERR=165)A$',
        '165 PRINT "E160=",ERR',
        '170 READ (1,KEY="BAD",ERR=175)A$',
        '175 PRINT "E170=",ERR',
        '180 READ (1,KEY="BYE",ERR=185)A$',
        '185 PRINT "E180=",ERR',
        '190 PRINT "FIN"+"ISH"',
        '200 END',
        "RUN")
ok = c.wait_text("FINISH", 30)
check(ok, "program did not finish", c)
t = c.text()
check("GOT remote:K9" in t, "read through the server: %r" % t, c)
check("E60=" in t, "DELETE of a server in use", c)
for line in (110, 120, 130):
    check(("E%d= 68" % line) in t or ("E%d=68" % line) in t, "line %d: error 68 expected: %r" % (line, t), c)
check("E140= 11" in t, "defining a server twice: %r" % t, c)
check("E160= 2" in t, "a refusal gives the client's code: %r" % t, c)
check("E170= 86" in t and "E180= 86" in t, "malformed reply / closed server: %r" % t, c)
keys = srv.keys()
check(keys[:3] == ["FO", "FW", "FR"], "requests: %r" % keys, c)
check(srv.requests[0].items("ciss")[2] == b"orders.dat", "name without its prefix", c)
check(srv.bad_frames == 0, "bad frames", c)
c.finish()
c.remove()
srv.close()
print("ok")
