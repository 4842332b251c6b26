#!/usr/bin/env python3
"""The SQL channel benchmark's reference: Python's MySQLdb doing the same
work against the same server: N rows inserted one by one in auto-commit
mode, read back by key in a random order, and scanned in key order.
Prints one line per phase: name, seconds, rows per second."""
import random
import sys
import time

import MySQLdb

port, n = int(sys.argv[1]), int(sys.argv[2])
db = MySQLdb.connect(host="127.0.0.1", port=port, user="oru", passwd="oru-pw", db="orubench")
db.autocommit(True)
c = db.cursor()
c.execute("DROP TABLE IF EXISTS py_rows")
c.execute("CREATE TABLE py_rows (k INT PRIMARY KEY, name VARCHAR(30), amt DECIMAL(10,2))")

def phase(name, fn):
    t = time.perf_counter()
    fn()
    s = time.perf_counter() - t
    print("%-24s %8.2f s %10.0f rows/s" % ("MySQLdb " + name, s, n / s))

def insert():
    for i in range(1, n + 1):
        c.execute("INSERT INTO py_rows (k, name, amt) VALUES (%s, %s, %s)", (i, "name %d" % i, "%d.%02d" % (i % 1000, i % 100)))

order = list(range(1, n + 1))
random.Random(7).shuffle(order)

def read_random():
    for k in order:
        c.execute("SELECT k, name, amt FROM py_rows WHERE k = %s", (k,))
        if c.fetchone() is None:
            raise SystemExit("missing row %d" % k)

def scan():
    c.execute("SELECT k, name, amt FROM py_rows ORDER BY k")
    got = 0
    for row in c:
        got += 1
    if got != n:
        raise SystemExit("scan read %d rows" % got)

phase("insert", insert)
phase("read by key (random)", read_random)
phase("scan in key order", scan)
c.execute("DROP TABLE py_rows")
