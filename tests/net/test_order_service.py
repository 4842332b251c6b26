# The order service (order_service.bas) under a Python load client: 25
# clients at once each send 40 orders, one at a time, and wait for each
# order number; a client sends a malformed order and is refused; then every
# order must be in the keyed file exactly once under the number its client
# was given, and the totals must agree.
import os
import random
import re
import socket
import threading
import time

from netlib import Oru, expect, expect_in, fail, main, wait_until

CLIENTS = 25
ORDERS = 40


def read_answer(s):
    data = b""
    while not data.endswith(b"\x8a"):
        b = s.recv(100)
        if not b:
            raise IOError("the service closed the connection")
        data += b
    return data[:-1].decode()


def test(scratch):
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "order_service.bas")) as f:
        program = [l.rstrip("\n") for l in f if l.strip()]
    oru = Oru(scratch)
    try:
        oru.type(*program)
        oru.type("RUN")
        oru.wait_for("\nport=")
        wait_until(lambda: re.search(r"\nport=[^\n]*\n", oru.text()), "the whole port line", oru)
        line = [l for l in oru.text().splitlines() if l.startswith("port=")][0]
        port = int(line.split(";")[1])
        given = {}
        errors = []
        lock = threading.Lock()

        def client(c):
            rnd = random.Random(c)
            try:
                s = socket.create_connection(("127.0.0.1", port), timeout=60)
                for i in range(ORDERS):
                    cust, item, qty = "cust%02d" % c, "item%d" % rnd.randrange(100), rnd.randrange(1, 50)
                    s.sendall(("ORDER\x8a%s\x8a%s\x8a%d\x8a" % (cust, item, qty)).encode("latin-1"))
                    no = read_answer(s)
                    with lock:
                        if no in given:
                            errors.append("order number %s given twice" % no)
                        given[no] = (cust, item, qty)
                s.close()
            except Exception as e:  # reported below
                with lock:
                    errors.append("client %d: %s" % (c, e))

        threads = [threading.Thread(target=client, args=(c,)) for c in range(CLIENTS)]
        for t in threads:
            t.start()
        # A malformed order is refused without filing anything.
        bad = socket.create_connection(("127.0.0.1", port), timeout=60)
        bad.sendall(b"ORDER\x8a\x8aitem\x8aNaN\x8a")
        expect(read_answer(bad), "REFUSED", "a malformed order", oru)
        bad.close()
        for t in threads:
            t.join(120)
        if errors:
            fail("; ".join(errors[:5]), oru)
        q = socket.create_connection(("127.0.0.1", port), timeout=60)
        q.sendall(b"QUIT\x8a")
        oru.wait_for("\norders=", timeout=60)
        wait_until(lambda: re.search(r"\norders=[^\n]*\n", oru.text()), "the whole line of totals", oru)
        out = oru.text()
        total = sum(v[2] for v in given.values())
        n = CLIENTS * ORDERS
        expect_in("orders= %d records= %d total= %d clients= %d" % (n, n, total, CLIENTS + 2), out,
                  "the service's totals", oru)
        if " left= " not in out:
            fail("no count of clients that left", oru)
        filed = {}
        for l in out.splitlines():
            if l.startswith("rec="):
                k, cust, item, qty = l[4:].split("|")
                filed[k] = (cust, item, int(qty))
        expect(filed, given, "every order filed under the number its client was given", oru)
        expect(sorted(given), ["%08d" % i for i in range(1, n + 1)], "order numbers 1..%d" % n, oru)
    finally:
        oru.quit()


main(test)
