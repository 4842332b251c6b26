# Where a TCP server channel listens: on every address of the host when its
# name gives none (a second loopback address, 127.0.0.2, reaches it), on the
# loopback address alone with BINDTO=127.0.0.1 (127.0.0.2 is refused).
import socket

from netlib import Oru, expect, main, server_port, skip


def reaches(address, port):
    try:
        socket.create_connection((address, port), timeout=5).close()
        return True
    except OSError:
        return False


def test(scratch):
    probe = socket.socket()
    try:
        probe.bind(("127.0.0.2", 0))
    except OSError:
        skip("127.0.0.2 is not a loopback address here")
    finally:
        probe.close()
    oru = Oru(scratch)
    try:
        oru.run('OPEN (1)"[tcp];0"')
        port = server_port(oru, 1)
        expect(reaches("127.0.0.2", port), True, "a server without BINDTO= listens on every address", oru)
        oru.run("CLOSE (1)")
        oru.run('OPEN (1)"[tcp];0;BINDTO=127.0.0.1"')
        port = server_port(oru, 1)
        expect(reaches("127.0.0.1", port), True, "BINDTO=127.0.0.1 accepts on loopback", oru)
        expect(reaches("127.0.0.2", port), False, "BINDTO=127.0.0.1 listens on loopback alone", oru)
        oru.run("CLOSE (1)")
    finally:
        oru.quit()


main(test)
