#!/usr/bin/env python3
"""A server that speaks just enough of the MySQL protocol to test what the
client sends it, on a free loopback port (printed on the first line of
standard output).  One connection, then it ends.

  fake_server.py cleartext FILE  greets, then asks the client to switch to
                                 the clear-text authentication plugin; the
                                 bytes that come after the request go to FILE
  fake_server.py error FILE      greets, then refuses the login with an
                                 error text holding terminal control bytes
"""
import socket
import struct
import sys

mode, out = sys.argv[1], sys.argv[2]


def packet(seq, payload):
    return struct.pack("<I", len(payload))[:3] + bytes([seq & 255]) + payload


def read_packet(conn):
    head = b""
    while len(head) < 4:
        part = conn.recv(4 - len(head))
        if not part:
            return None, None
        head += part
    size = head[0] | head[1] << 8 | head[2] << 16
    body = b""
    while len(body) < size:
        part = conn.recv(size - len(body))
        if not part:
            break
        body += part
    return head[3], body


caps = 1 | 2 | 4 | 8 | 0x200 | 0x2000 | 0x8000 | 0x20000 | 0x80000
scramble = b"abcdefghijklmnopqrst"
greeting = (b"\x0a" + b"5.5.5-10.11.0-MariaDB\0" + struct.pack("<I", 7) + scramble[:8] + b"\0" +
            struct.pack("<H", caps & 0xFFFF) + b"\x08" + struct.pack("<H", 2) +
            struct.pack("<H", caps >> 16) + bytes([21]) + bytes(10) + scramble[8:] + b"\0" +
            b"mysql_native_password\0")

srv = socket.socket()
srv.bind(("127.0.0.1", 0))
srv.listen(1)
srv.settimeout(30)
print(srv.getsockname()[1], flush=True)
conn, _ = srv.accept()
conn.settimeout(5)
got = b""
try:
    conn.sendall(packet(0, greeting))
    seq, _ = read_packet(conn)
    if seq is not None and mode == "cleartext":
        conn.sendall(packet(seq + 1, b"\xfe" + b"mysql_clear_password\0" + scramble + b"\0"))
        try:
            while True:
                part = conn.recv(4096)
                if not part:
                    break
                got += part
                if len(got) > 4 and len(got) >= 4 + (got[0] | got[1] << 8 | got[2] << 16):
                    break
        except (socket.timeout, OSError):
            pass
        seq = got[3] if len(got) > 3 else seq + 2
        try:
            conn.sendall(packet(seq + 1, b"\xff" + struct.pack("<H", 1045) + b"#28000Access denied"))
        except OSError:
            pass
    elif seq is not None:
        text = b"Access denied \x1b]0;owned title\x07 \x1b[2J cleared \x9b2J \x9d0;c1 title\x9c"
        conn.sendall(packet(seq + 1, b"\xff" + struct.pack("<H", 1045) + b"#28000" + text))
finally:
    with open(out, "wb") as f:
        f.write(got)
    conn.close()
