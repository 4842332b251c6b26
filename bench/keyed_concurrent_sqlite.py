"""Several processes update one table at once, SQLite in WAL mode (the
reference of bench/keyed.sh's concurrent phase): N rows of 100 bytes with
a 10-byte key, then P processes make C updates each, every update its own
transaction (synchronous=NORMAL: no sync at each commit, as the keyed file
does not sync either).  Prints the seconds for all updates."""
import multiprocessing, os, random, sqlite3, sys, time

n, procs, count, path = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]

def key_of(i):
    return "%010u" % (i * 2654435761 % 2**32 % 4000000000)

def data_of(i):
    return (("record %u payload" % i).ljust(100, "x")).encode()

def connect():
    db = sqlite3.connect(path, isolation_level=None, timeout=60)
    db.execute("PRAGMA journal_mode=WAL")
    db.execute("PRAGMA synchronous=NORMAL")
    return db

def worker(p):
    db = connect()
    rng = random.Random(p + 1)
    for _ in range(count):
        j = rng.randrange(n)
        db.execute("UPDATE t SET v=? WHERE k=?", (data_of(j), key_of(j)))
    db.close()

if __name__ == "__main__":
    if os.path.exists(path):
        os.unlink(path)
    db = connect()
    db.execute("CREATE TABLE t(k TEXT PRIMARY KEY, v BLOB)")
    db.execute("BEGIN")
    db.executemany("INSERT INTO t VALUES(?, ?)", ((key_of(i), data_of(i)) for i in range(n)))
    db.execute("COMMIT")
    db.close()
    t0 = time.perf_counter()
    ps = [multiprocessing.Process(target=worker, args=(p,)) for p in range(procs)]
    for p in ps:
        p.start()
    for p in ps:
        p.join()
    print("updates %.3f" % (time.perf_counter() - t0))
    for suffix in ("", "-wal", "-shm"):
        if os.path.exists(path + suffix):
            os.unlink(path + suffix)
