# ADD INDEX beside SQLite, SQLite's side: the same N rows (a 10-character id
# as the primary key, an 8-character value, a payload), then the clock runs
# over CREATE INDEX on the value.  Prints "add_index <seconds>".
import sqlite3
import sys
import time

n = int(sys.argv[1])
db = sqlite3.connect(sys.argv[2])
db.execute("CREATE TABLE t(id TEXT PRIMARY KEY, value TEXT, payload TEXT)")
rows = []
for i in range(n):
    rid = "%010u" % ((i * 2654435761) % 2**32 % 4000000000)
    rows.append((rid, "%08u" % ((i * 7919) % 1000000), "payload %u" % i))
db.executemany("INSERT OR REPLACE INTO t VALUES (?, ?, ?)", rows)
db.commit()
t0 = time.perf_counter()
db.execute("CREATE INDEX t_value ON t(value)")
db.commit()
print("add_index %.3f" % (time.perf_counter() - t0))
