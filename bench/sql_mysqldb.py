#!/usr/bin/env python3
"""The SQL channel benchmark's reference: Python's MySQLdb doing one phase
of the same work against the same server, in a process of its own so that
it is timed as the oru phases are (start, connect and work):
  insert   N rows inserted one by one in auto-commit mode
  read     every row read by key in the order of order.txt
  scan     every row read in key order
usage: sql_mysqldb.py PORT N PHASE"""
import sys

import MySQLdb

port, n, phase = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
db = MySQLdb.connect(host="127.0.0.1", port=port, user="oru", passwd="oru-pw", db="orubench")
db.autocommit(True)
c = db.cursor()
if phase == "insert":
    for i in range(1, n + 1):
        c.execute("INSERT INTO py_rows (k, name, amt) VALUES (%s, %s, %s)",
                  (i, "name %d" % i, "%d.%02d" % (i % 1000, i % 100)))
elif phase == "read":
    with open("order.txt") as f:
        for line in f:
            k = int(line)
            c.execute("SELECT k, name, amt FROM py_rows WHERE k = %s", (k,))
            row = c.fetchone()
            if row is None or row[0] != k:
                raise SystemExit("missing row %d" % k)
elif phase == "scan":
    c.execute("SELECT k, name, amt FROM py_rows ORDER BY k")
    got = 0
    for row in c:
        got += 1
    if got != n:
        raise SystemExit("scan read %d rows" % got)
print("done")
