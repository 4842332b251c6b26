"""The client's side of a program server: a loopback listener that takes one
connection from oru's TCP channel, reads 16 02 frames, records each request
and answers those that await a reply from handlers (bytes: the reply data;
a bytes value starting 16: sent as it stands; False: no answer; "close":
the connection is closed)."""
import socket
import struct
import threading

from tclient import Request, tcp_reply, crc16


class ProgramServer:
    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(4)
        self.port = self.sock.getsockname()[1]
        self.requests = []
        self.handlers = {}
        self.bad_frames = 0
        self.conn = None
        self.done = threading.Event()
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        try:
            self.conn, _ = self.sock.accept()
        except OSError:
            self.done.set()
            return
        buf = bytearray()
        while True:
            try:
                data = self.conn.recv(65536)
            except OSError:
                break
            if not data:
                break
            buf += data
            while len(buf) >= 8:
                if buf[0] != 0x16 or buf[1] != 0x02:
                    self.bad_frames += 1
                    del buf[:1]
                    continue
                major, minor = buf[2], buf[3]
                if minor & 0x80:
                    if len(buf) < 10:
                        break
                    n, h = struct.unpack(">I", buf[4:8])[0], 10
                else:
                    n, h = struct.unpack(">H", buf[4:6])[0], 8
                if len(buf) < h + n:
                    break
                crc = struct.unpack(">H", buf[h - 2:h])[0]
                payload = bytes(buf[h:h + n])
                del buf[:h + n]
                if n and crc16(payload) != crc:
                    self.bad_frames += 1
                r = Request(major, minor, payload)
                self.requests.append(r)
                if not r.awaits:
                    continue
                h = self.handlers.get(r.key())
                data = h(r) if h else b""
                if data == "close":
                    self.conn.close()
                    self.done.set()
                    return
                if data is False:
                    continue
                if not (data[:1] == b"\x16"):
                    data = tcp_reply(data)
                self.conn.sendall(data)
        self.done.set()

    def keys(self):
        return [r.key() for r in self.requests]

    def close(self):
        try:
            if self.conn:
                self.conn.close()
            self.sock.close()
        except OSError:
            pass
