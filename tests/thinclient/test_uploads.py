# Host files for the thin client: a picture of a host file goes through the
# client's utility ("*kest/vrl/util;picture" as a client-side CALL); when the
# client answers CAN 201 it is sent the file ("...;upload", in chunks, each
# with the file's version, offset and size) and the picture call goes out
# again.  A picture of a name that is no host file goes to the client as the
# long mnemonic itself.  IMG( makes sure the client holds a file; a client
# that asks twice for the same file is error 86.
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tclient  # noqa: E402
from tclient import Client, check  # noqa: E402


def call_items(r):
    """The called name and the arguments of a client-side CALL."""
    p, at = r.payload, 0
    n = struct.unpack(">H", p[at:at + 2])[0]
    name, at, args = p[at + 2:at + 2 + n], at + 2 + n, []
    while at < len(p):
        kind = p[at:at + 1]
        n = struct.unpack(">H", p[at + 1:at + 3])[0]
        v = p[at + 3:at + 3 + n]
        at += 3 + n
        args.append(int(v) if kind == b"N" else v)
    if at != len(p):
        raise ValueError("bad call payload")
    return name, args


class Files:
    """The client's store of host files."""

    def __init__(self):
        self.have = {}      # name -> (version, bytes)
        self.partial = {}
        self.chunks = []
        self.pictures = []
        self.refuse_always = False

    def call(self, r):
        name, args = call_items(r)
        if name == b"*kest/vrl/util;upload":
            fname, version, offset, size, data = args
            self.chunks.append((fname, version, offset, size, len(data)))
            buf = self.partial.setdefault(fname, bytearray())
            check(offset == len(buf), "chunk at %d, %d bytes held" % (offset, len(buf)))
            buf += data
            if len(buf) >= size:
                self.have[fname] = (version, bytes(buf))
                del self.partial[fname]
            return b""
        if name == b"*kest/vrl/util;picture":
            fname, version = args[0], args[1]
            held = self.have.get(fname)
            if self.refuse_always or held is None or held[0] != version:
                return tclient.can(201)
            self.pictures.append((fname, version, args[2] if len(args) > 2 else None))
            return b""
        return b""


c = Client(level=12, caps=2)
content = bytes((i * 7) % 251 for i in range(40000))
with open(os.path.join(c.scratch, "logo.bmp"), "wb") as f:
    f.write(content)
version = int(os.stat(os.path.join(c.scratch, "logo.bmp")).st_mtime)
files = Files()
c.handlers["$C"] = files.call
c.lines('10 DEFTTY F (0)80,25',
        '20 PRINT PIC(1,2,10,5,"logo.bmp",3)',
        '30 PRINT PIC(1,2,10,5,"logo.bmp",4)',
        '40 PRINT PIC(0,0,4,4,"client.bmp",0)',
        '50 I$=IMG("logo.bmp")',
        '60 J$=IMG("[vrl]x.bmp",ERR=70)',
        '70 E=ERR; K$=IMG("*winprt*",ERR=80)',
        '80 PRINT "DO"+"NE ",I$,E,ERR',
        'RUN')
check(c.wait_text("DONE logo.bmp 12 12", 10), "IMG( results", c)
check(files.have.get(b"logo.bmp") == (version, content), "the file did not arrive whole", c)
check(files.chunks == [(b"logo.bmp", version, 0, 40000, 16000), (b"logo.bmp", version, 16000, 40000, 16000),
                       (b"logo.bmp", version, 32000, 40000, 8000)], "chunks %r" % files.chunks, c)
params = lambda opt: struct.pack(">hhhh", 1, 2, 10, 5) + b"\x08logo.bmp" + struct.pack(">h", opt)
check(files.pictures == [(b"logo.bmp", version, params(3)), (b"logo.bmp", version, params(4)),
                         (b"logo.bmp", version, None)], "pictures %r" % files.pictures, c)
# The picture the host has no file for reaches the client as the mnemonic.
raw = b"\x1bmn\x08" + bytes([8 + 11 + 2]) + struct.pack(">hhhh", 0, 0, 4, 4) + b"\x0aclient.bmp" + b"\x00\x00"
check(raw in c.output, "the client's own picture was not passed on", c)
check(b"\x1bmn\x08\x13" not in c.output and b"\x08logo.bmp" not in c.output,
      "a picture of a host file also went out as a mnemonic", c)
c.finish()
c.remove()

# A client that asks for the file again after it was sent: error 86.
c = Client(level=12, caps=2)
with open(os.path.join(c.scratch, "p.bmp"), "wb") as f:
    f.write(b"tiny")
files = Files()
files.refuse_always = True
c.handlers["$C"] = files.call
c.lines('10 DEFTTY F (0)80,25', '20 I$=IMG("p.bmp",ERR=30)', '25 STOP', '30 PRINT "AS"+"KED ",ERR', 'RUN')
check(c.wait_text("ASKED  86", 10), "a second request for the file was not error 86", c)
check(len(files.chunks) == 1 and files.chunks[0][4] == 4, "the file was not sent once: %r" % files.chunks, c)
c.finish()
c.remove()
print("ok")
