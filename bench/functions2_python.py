#!/usr/bin/env python3
"""The functions2_bench cases done with CPython: re.search for MSK( and
sorted() for SRT(, on the same 1 MB data.  Prints milliseconds per run."""
import re
import time

MB = 1 << 20


def words(n):
    out = bytearray()
    x = 12345
    while len(out) < n:
        x = (x * 6364136223846793005 + 1442695040888963407) % 2**64
        out.append(ord('a') + (x >> 33) % 26)
        if (x >> 40) % 7 == 0:
            out.append(ord(' '))
    return bytes(out[:n])


def best(fn, reps=5):
    t = float("inf")
    for _ in range(reps):
        t0 = time.perf_counter()
        fn()
        t = min(t, time.perf_counter() - t0)
    return t * 1000


s = words(MB)
cases = {
    "BM_MskLiteralMiss": lambda: re.search(rb"qqqqz", s),
    "BM_MskClassMiss": lambda: re.search(rb"[a-m]+[0-9]", s),
    "BM_MskAltAtEnd": lambda: re.search(rb"(xyzzx|xyzzy)$", s + b"xyzzy"),
    "BM_SrtFixed8": lambda: b"".join(sorted(s[i:i + 8] for i in range(0, len(s), 8))),
}
sep = s.replace(b" ", b",")[:-1] + b","
cases["BM_SrtSeparated"] = lambda: b",".join(sorted(sep[:-1].split(b","))) + b","
for name, fn in cases.items():
    print("%s %.3f" % (name, best(fn)))
