#!/usr/bin/env python3
"""The decimal_bench operations done with Python's decimal module (libmpdec).

Same operands (same generator), same results: addition and multiplication
are exact in both; division is rounded half up to PRECISION places
(quantize), comparison is '<'.  Prints operations per second, raw and with
the cost of the bare Python loop subtracted (closer to libmpdec itself).
"""
import decimal
import time
from decimal import Decimal, ROUND_HALF_UP

COUNT = 64


def operands(scale):
    x = 12345
    limit = 10**8 if scale == 2 else 10**16
    out = []
    for _ in range(COUNT):
        x = (x * 6364136223846793005 + 1442695040888963407) % 2**64
        m = (x >> 11) % limit + 1
        if x & 1:
            m = -m
        out.append(Decimal(m).scaleb(-scale))
    return out


def timed(fn, pairs, reps):
    best = float("inf")
    for _ in range(5):
        t = time.perf_counter()
        for _ in range(reps):
            fn(pairs)
        best = min(best, time.perf_counter() - t)
    return best / (reps * len(pairs))


def main():
    ctx = decimal.getcontext()
    ctx.prec = 40  # enough for every exact sum and product here
    ctx.rounding = ROUND_HALF_UP
    print(f"libmpdec {decimal.__libmpdec_version__}")
    for scale in (2, 10):
        v = operands(scale)
        pairs = [(v[i], v[(i + 1) % COUNT]) for i in range(COUNT)] * 64
        q = Decimal(1).scaleb(-scale)
        ops = {
            "add": lambda p: [a + b for a, b in p],
            "multiply": lambda p: [a * b for a, b in p],
            "divide": lambda p: [(a / b).quantize(q) for a, b in p],
            "compare": lambda p: [a < b for a, b in p],
        }
        loop = timed(lambda p: [a for a, b in p], pairs, 20)
        for name, fn in ops.items():
            t = timed(fn, pairs, 20)
            print(f"{name:9s} PRECISION {scale:2d}: {1/t/1e6:7.2f} M ops/s raw,"
                  f" {1/max(t - loop, 1e-12)/1e6:7.2f} M ops/s without loop")


if __name__ == "__main__":
    main()
