"""Keyed files against SQLite, SQLite's side: the same records, keys and
orders as bench/keyed_perf.cpp, in one table with a primary key, one
transaction, prepared statements and a 32 MB page cache."""
import os, random, sqlite3, sys, time

n = int(sys.argv[1]) if len(sys.argv) > 1 else 1000000
path = sys.argv[2] if len(sys.argv) > 2 else "/tmp/oru_keyed_bench.db"

def key_of(i):
    return "%010u" % (i * 2654435761 % 2**32 % 4000000000)

def data_of(i):
    head = ("record %u payload" % i).encode()
    head = head + b"\0" * (40 - len(head))
    return head[:39] + b"\0" + bytes(ord("a") + (i + j) % 26 for j in range(40, 100))

if os.path.exists(path):
    os.unlink(path)
order = list(range(n))
random.Random(42).shuffle(order)
db = sqlite3.connect(path, isolation_level=None)
db.execute("PRAGMA cache_size=-32768")
db.execute("CREATE TABLE t(k TEXT PRIMARY KEY, v BLOB)")
rows = [(key_of(i), data_of(i)) for i in order]  # made before the clock starts
t0 = time.perf_counter()
db.execute("BEGIN")
db.executemany("INSERT INTO t VALUES(?, ?)", rows)
db.execute("COMMIT")
t1 = time.perf_counter()
print("insert %.3f" % (t1 - t0))
random.Random(7).shuffle(order)
keys = [(key_of(i),) for i in order]
t1b = time.perf_counter()
db.execute("BEGIN")
get = "SELECT v FROM t WHERE k=?"
total = 0
for k in keys:
    total += len(db.execute(get, k).fetchone()[0])
t2 = time.perf_counter()
print("read %.3f" % (t2 - t1b))
count = 0
for row in db.execute("SELECT k, v FROM t ORDER BY k"):
    count += 1
db.execute("COMMIT")
t3 = time.perf_counter()
print("scan %.3f" % (t3 - t2))
assert count == n and total == n * 100
db.close()
print("size %d" % os.path.getsize(path))
os.unlink(path)
