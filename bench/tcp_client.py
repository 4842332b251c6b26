# The Python side of the TCP benchmark (bench/tcp.py): what the oru
# programs do, with the socket and ssl modules: "send PORT N [tls]" sends N
# records of 100 bytes one at a time; "recv PORT [tls]" reads records of at
# most 100 bytes until the peer closes.  Prints the byte count.
import socket
import ssl
import sys

mode, port = sys.argv[1], int(sys.argv[2])
tls = sys.argv[-1] == "tls"
s = socket.create_connection(("127.0.0.1", port))
if tls:
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
    ctx.check_hostname = False
    ctx.verify_mode = ssl.CERT_NONE
    s = ctx.wrap_socket(s)
total = 0
if mode == "send":
    record = b"x" * 99 + b"\x8a"
    for _ in range(int(sys.argv[3])):
        s.sendall(record)
        total += 100
else:
    while True:
        b = s.recv(100)
        if not b:
            break
        total += len(b)
if tls and mode == "send":
    # Close notice both ways, so that unread session tickets do not make the
    # host reset the connection before the peer has read everything.
    try:
        s.unwrap()
    except (ssl.SSLError, OSError):
        pass
s.close()
print(total)
