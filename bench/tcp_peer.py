# The peer of the TCP benchmark (bench/tcp.py): accepts one connection on a
# loopback port (printed first) and either drains it ("sink": counts the
# bytes until the client closes) or sends records of 100 bytes ("source N":
# N records, then closes).  With a certificate file the connection is TLS.
# Prints the byte count when done.
import socket
import ssl
import sys

mode = sys.argv[1]
count = int(sys.argv[2]) if mode == "source" else 0
cert = sys.argv[3] if len(sys.argv) > 3 else ""
srv = socket.socket()
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", 0))
srv.listen(1)
print(srv.getsockname()[1], flush=True)
conn, _ = srv.accept()
if cert:
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(cert)
    conn = ctx.wrap_socket(conn, server_side=True)
total = 0
if mode == "sink":
    buf = bytearray(1 << 20)
    while True:
        n = conn.recv_into(buf)
        if not n:
            break
        total += n
else:
    record = b"r" * 99 + b"\x8a"
    chunk = record * 10000
    left = count
    while left > 0:
        k = min(left, 10000)
        conn.sendall(chunk if k == 10000 else record * k)
        total += k * 100
        left -= k
    if cert:
        try:
            conn.unwrap()  # close notice both ways (see tcp_client.py)
        except (ssl.SSLError, OSError):
            pass
conn.close()
print(total, flush=True)
