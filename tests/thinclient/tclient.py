"""A small thin client for testing oru's request protocol.

It starts oru with its console on a raw pseudo-terminal (or listens on a loopback port for a
program server's TCP channel), plays the client's side of the handshake,
answers every request that awaits a reply from a script of handlers,
records every request it receives, and can type keys, send the client's
break and answer the keep-alive.  It is a test tool, not a product: it knows
only what the host's frames and replies look like.

Frames from the host (console stream): 16 16 16 02 major minor len crc payload
(len 4 bytes when minor has bit 0x80; on TCP the frame starts at 16 02).
Replies to the host: 16 06 len(2) crc(2) data, 16 86 len(4) crc data, 16 15
(NAK), 16 18 code (CAN).

Each test script is run as  python3 test_x.py <oru executable> <library dir>.
"""
import fcntl
import os
import pty
import select
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import termios
import time
import tty
import zlib

SKIP = 77
SYN = 0x16

# Requests the host sends without awaiting a reply (besides those whose major
# code has bit 0x80 or is 'P').
NO_REPLY = {
    (ord('F'), ord('C')), (ord('F'), ord('p')), (ord('F'), ord('d')), (ord('F'), ord('S')),
    (ord('Y'), ord('-')), (ord('.'), ord('p')), (0xD0, 0x20), (ord('H'), 0x20),
    (ord('Y'), ord('W')), (ord('A'), ord('W')), (ord('n'), ord('C')), (ord('+'), ord('W')),
    (ord('P'), 0x20),
}



# Seconds a wait gives oru before the test fails: a sanitizer build on a
# loaded machine may take seconds over one step, and a wait that succeeds
# costs nothing more.
PATIENCE = 30

def crc16(data, crc=0):
    """CRC-16/ARC (reflected 0xA001), start 0."""
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def reply(data=b""):
    """A reply frame for data."""
    if not data:
        return b"\x16\x06\x00\x00"
    if len(data) > 65535:
        return b"\x16\x86" + struct.pack(">IH", len(data), crc16(data)) + data
    return b"\x16\x06" + struct.pack(">HH", len(data), crc16(data)) + data


def tcp_reply(data=b""):
    """A reply on a TCP channel: length and CRC always present."""
    return b"\x16\x06" + struct.pack(">HH", len(data), crc16(data)) + data


def can(code):
    return bytes([SYN, 0x18, code & 0xFF])


NAK = b"\x16\x15"
BREAK = b"\x00\x80\xfa\xc4"


def hello(level, kind=b" ", cell=(8, 16), scale=(1, 1), host_value=0):
    """The client's answer to the handshake request '*' ' '."""
    r = bytearray(32)
    r[5:7] = struct.pack(">H", host_value)
    r[9], r[10] = cell
    r[11], r[12] = scale
    r[21] = level
    r[31] = kind[0]
    return bytes(r)


def caps_reply(caps):
    return b"\x00" * 5 + b"+" + bytes([caps]) + b"\x00"


def status(code=-1):
    return struct.pack(">h", code)


class Request:
    """One request as the client received it."""

    def __init__(self, major, minor, payload, long_len=False):
        self.raw_major = major
        self.major = major & 0x7F
        self.minor = minor & 0x7F
        self.payload = payload
        self.long_len = long_len
        self.awaits = not (major & 0x80) and self.major != ord('P') and \
            (self.major, self.minor) not in NO_REPLY and major != 0xD0

    def key(self):
        return chr(self.major) + chr(self.minor)

    def items(self, kinds, long_ints=True):
        """Reads the payload as items: c i l s * (as in the host's builder)."""
        p, at, out = self.payload, 0, []
        for k in kinds:
            if k == 'c':
                out.append(p[at]); at += 1
            elif k == 'i':
                v = struct.unpack(">h", p[at:at + 2])[0]; at += 2
                if long_ints and v == -32768:
                    v = struct.unpack(">i", p[at:at + 4])[0]; at += 4
                out.append(v)
            elif k == 'l':
                out.append(struct.unpack(">i", p[at:at + 4])[0]); at += 4
            elif k == 's':
                if p[at] == 0xFF and at + 5 <= len(p) and \
                        struct.unpack(">I", p[at + 1:at + 5])[0] >= 65280 and \
                        struct.unpack(">I", p[at + 1:at + 5])[0] <= len(p) - at - 5:
                    n = struct.unpack(">I", p[at + 1:at + 5])[0]; at += 5
                else:
                    n = struct.unpack(">H", p[at:at + 2])[0]; at += 2
                    if n == 0xFFFF:
                        out.append(None)
                        continue
                out.append(p[at:at + n]); at += n
            elif k == '*':
                out.append(p[at:]); at = len(p)
        if at != len(p):
            raise ValueError("payload of %s has %d bytes left over" % (self.key(), len(p) - at))
        return out

    def __repr__(self):
        return "%s%s %r" % (self.key(), "" if self.awaits else "(no reply)", self.payload[:60])


class Client:
    """The client side of one oru process."""

    def __init__(self, level=12, caps=2, kind=b" ", ini=None, env=None, cwd=None):
        self.exe, self.lib = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
        self.level, self.caps, self.kind = level, caps, kind
        self.requests = []          # every request received, in order
        self.output = bytearray()   # console output: raw bytes and 0xD0 payloads
        self.handlers = {}          # "Mm" -> fn(request) -> reply bytes (None: the default)
        self.answer_enq = True
        self.silent = False         # play dead: answer nothing at all
        self.bad_frames = 0
        self.enq_seen = 0
        self.last_reply = b""
        self.buf = bytearray()
        self.closed = False
        self.scratch = tempfile.mkdtemp(prefix="oru_tc_")
        self.cwd = cwd or self.scratch
        e = dict(os.environ)
        e["ORULIB"] = self.lib
        e.pop("ORUINI", None)
        if ini is not None:
            path = os.path.join(self.scratch, "oru.ini")
            with open(path, "w") as f:
                f.write(ini)
            e["ORUINI"] = path
        if env:
            e.update(env)
        # The console's output is a pseudo-terminal in raw mode (bytes pass
        # as they are): a process whose output is not a terminal runs in the
        # background, where DEFTTY F attaches no client.  The keyboard is a
        # pipe, so that the client can end its input.
        self.pty, slave = pty.openpty()
        tty.setraw(slave)
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 25, 80, 0, 0))
        try:
            self.spawn(slave, e)
        finally:
            os.close(slave)
        self.out_fd = self.pty
        self.sock = None            # the console's connection once it runs over TCP

    def spawn(self, slave, env):
        """Starts oru with its output on the pseudo-terminal's slave side."""
        self.proc = subprocess.Popen([self.exe], stdin=subprocess.PIPE, stdout=slave, stderr=slave,
                                     cwd=self.cwd, env=env)

    def carry_on(self, sock):
        """The console now runs over sock (LNSW to a TCP channel): keys go
        to it and frames come from it."""
        self.sock = sock
        self.out_fd = sock.fileno()
        self.closed = False

    # ---- typing ----
    def type(self, text):
        if isinstance(text, str):
            text = text.encode()
        if self.sock is not None:
            self.sock.sendall(text)
            return
        try:
            self.proc.stdin.write(text)
            self.proc.stdin.flush()
        except (BrokenPipeError, ValueError):  # oru ended, or the client closed its side
            pass

    def lines(self, *lines):
        self.type("".join(l + "\n" for l in lines))

    def send(self, raw):
        self.type(raw)

    def close_output(self):
        """The client stops reading: oru's writes to its console fail."""
        if self.pty is not None:
            os.close(self.pty)
            if self.out_fd == self.pty:
                self.closed = True
            self.pty = None

    def close_input(self):
        try:
            self.proc.stdin.close()
        except BrokenPipeError:
            pass

    # ---- answering ----
    def default_answer(self, r):
        k = r.key()
        if k == "* ":
            return hello(self.level, self.kind)
        if k in (" +", "  "):
            return caps_reply(self.caps)
        return b""

    def answer(self, r):
        if r.key() == "! " and "! " not in self.handlers:  # the host asks for the last reply again
            self.send(self.last_reply)
            return
        h = self.handlers.get(r.key())
        data = h(r) if h else None
        if data is False:  # the handler answers nothing (or answered itself)
            return
        if data is None:
            data = reply(self.default_answer(r))
        elif not (isinstance(data, (bytes, bytearray)) and data[:1] == b"\x16"):
            data = reply(data)
        self.last_reply = bytes(data)
        if data:
            self.send(data)

    def _raw(self, data):
        # Bytes between frames: console output, and the keep-alive's ENQ.
        n = data.count(b"\x05")
        if n:
            self.enq_seen += n
            data = data.replace(b"\x05", b"")
            if self.answer_enq and not self.silent:
                self.send(b"\x16\x05" * n)
        self.output += data

    def _parse(self):
        while True:
            i = self.buf.find(b"\x16\x16\x16\x02")
            if i < 0:
                # Keep a possible start of a frame.
                keep = 0
                for k in (3, 2, 1):
                    if self.buf.endswith(b"\x16\x16\x16\x02"[:k]):
                        keep = k
                        break
                self._raw(self.buf[:len(self.buf) - keep])
                del self.buf[:len(self.buf) - keep]
                return
            self._raw(self.buf[:i])
            del self.buf[:i]
            if len(self.buf) < 8:
                return
            major, minor = self.buf[4], self.buf[5]
            if minor & 0x80:
                if len(self.buf) < 12:
                    return
                n = struct.unpack(">I", self.buf[6:10])[0]
                h = 12
            else:
                n = struct.unpack(">H", self.buf[6:8])[0]
                h = 10
            if len(self.buf) < h + n:
                return
            crc = struct.unpack(">H", self.buf[h - 2:h])[0]
            payload = bytes(self.buf[h:h + n])
            del self.buf[:h + n]
            if n and crc16(payload) != crc:
                self.bad_frames += 1
            if major == ord('#') and (minor & 0x7F) == ord('<'):
                # A compressed batch: its frames go back into the stream.
                inner = zlib.decompress(payload[4:])
                self.buf[0:0] = inner
                continue
            r = Request(major, minor, payload, bool(minor & 0x80))
            if r.major == ord('P') and r.minor == 0x20:  # console output (0xD0, or 'P' below level 2)
                self.output += payload
            self.requests.append(r)
            if r.awaits and not self.silent:
                self.answer(r)

    def pump(self, timeout=0.1):
        """Reads what oru wrote within timeout; False at its end of output."""
        if self.closed:
            return False
        ready, _, _ = select.select([self.out_fd], [], [], timeout)
        if not ready:
            return True
        try:
            data = os.read(self.out_fd, 65536)
        except OSError:  # a reset connection; a pseudo-terminal nobody holds (EIO)
            data = b""
        if not data:
            self.closed = True
            return False
        self.buf += data
        self._parse()
        return True

    def until(self, pred, timeout=PATIENCE):
        end = time.time() + timeout
        while time.time() < end:
            if pred():
                return True
            if not self.pump(0.05):
                return pred()
        return pred()

    def wait_text(self, text, timeout=PATIENCE):
        if isinstance(text, str):
            text = text.encode()
        return self.until(lambda: text in self.output, timeout)

    def wait_text_after(self, text, after, timeout=PATIENCE):
        """Waits for text in the console output past the first after (the
        echo of the lines typed may hold the text too)."""
        def seen():
            at = self.output.find(after)
            return at >= 0 and self.output.find(text, at + len(after)) >= 0
        return self.until(seen, timeout)

    def wait_request(self, key, timeout=PATIENCE):
        return self.until(lambda: any(r.key() == key for r in self.requests), timeout)

    def finish(self, timeout=PATIENCE):
        """Closes the keyboard and waits for oru to end; its exit status."""
        self.close_input()
        end = time.time() + timeout
        while time.time() < end and self.pump(0.05):
            pass
        try:
            return self.proc.wait(max(0.1, end - time.time()))
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            return None

    def ended(self, timeout=PATIENCE):
        """Waits for oru to end by itself (its output read meanwhile)."""
        end = time.time() + timeout
        while time.time() < end:
            self.pump(0.05)
            if self.proc.poll() is not None:
                while self.pump(0.2):  # what it wrote before it ended
                    pass
                return True
        return False

    def text(self):
        return self.output.decode("latin-1")

    def keys(self):
        return [r.key() for r in self.requests]

    def remove(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.close_output()
        shutil.rmtree(self.scratch, ignore_errors=True)


class TtyClient(Client):
    """A client that reaches oru over a terminal line, as over ssh: the
    keyboard, the screen and the protocol share one raw pseudo-terminal, so
    the line's own settings (signal characters, flow control) see every
    byte of the replies."""

    def spawn(self, slave, env):
        self.proc = subprocess.Popen([self.exe], stdin=slave, stdout=slave, stderr=slave,
                                     cwd=self.cwd, env=env, start_new_session=True,
                                     preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))

    def type(self, text):
        if isinstance(text, str):
            text = text.encode()
        if self.sock is not None or self.pty is None:
            Client.type(self, text)
            return
        while text:
            try:
                n = os.write(self.pty, text)
            except OSError:
                return
            text = text[n:]

    def close_input(self):
        """A terminal line has no end of input: the session is left with BYE."""
        self.type("BYE\r")

    def _raw(self, data):
        # The terminal answers oru's question for the cursor's place at
        # start-up, as a terminal emulator does.
        if b"\x1b[6n" in data:
            self.type(b"\x1b[1;1R")
        Client._raw(self, data)


def attached(*program, ready=None, handlers=None, timeout=PATIENCE, **kw):
    """A client that a program attaches: a Client(**kw) with its handlers,
    the program lines typed after "10 DEFTTY F (0)80,25", then RUN; waits
    for the text ready (when given) in the console output."""
    c = Client(**kw)
    if handlers:
        c.handlers.update(handlers)
    c.lines("10 DEFTTY F (0)80,25", *program, "RUN")
    if ready is not None:
        check(c.wait_text(ready, timeout), "the program did not show %r" % ready, c)
    return c


def goes_away_during(key, *program, handlers=None):
    """The client goes away when request key arrives, while the program
    (typed as attached() types it) waits for the answer: oru must end, and
    not by a signal."""
    c = Client(level=12)
    if handlers:
        c.handlers.update(handlers)

    def gone(r):
        c.close_input()
        return False

    c.handlers[key] = gone
    c.lines("10 DEFTTY F (0)80,25", *program, "RUN")
    check(c.ended(20), "oru did not end when the client went away", c)
    check(c.proc.returncode is not None and c.proc.returncode >= 0, "oru crashed: %r" % c.proc.returncode, c)
    c.remove()


def over_tcp():
    """A client whose console is carried over a loopback TCP connection
    (LNSW to it), then attached there with DEFTTY F and shown to print:
    (client, connection, listening socket)."""
    lsn = socket.socket()
    lsn.bind(("127.0.0.1", 0))
    lsn.listen(1)
    c = Client()
    c.lines('LNSW "[tcp]127.0.0.1;%d"' % lsn.getsockname()[1])
    conn, _ = lsn.accept()
    conn.settimeout(10)
    c.carry_on(conn)
    c.type("DEFTTY F (0)80,25\n")
    check(c.wait_request("fn"), "no handshake over the TCP console", c)
    c.type("PRINT \"OVER\",\"TCP\"\r")
    check(c.wait_text("OVERTCP"), "console output over the TCP console", c)
    return c, conn, lsn


def come_home(c):
    """LNSW alone on a console carried over TCP: the client gets the end
    request and the console is oru's own stream again."""
    c.type("LNSW\r")
    check(c.wait_request("z "), "LNSW alone sent no end request: %r" % c.keys(), c)
    check(c.until(lambda: c.closed, 10), "the console's connection was not closed", c)
    c.sock = None
    c.out_fd = c.pty
    c.closed = False


def fail(why, client=None):
    print("FAILED: " + why)
    if client is not None:
        print("---- requests ----")
        for r in client.requests:
            print(r)
        print("---- console ----")
        print(client.text())
        client.remove()
    sys.exit(1)


def check(cond, why, client=None):
    if not cond:
        fail(why, client)
