#!/usr/bin/env python3
"""Writes the code-page maps of the library directory.

For each page P two 256-byte files are written into the output directory:
"NNNN-ansi" (page P to the native set, Latin-1) and "ansi-NNNN" (the reverse).
A byte of P whose character exists in Latin-1 maps to that byte; the bytes
left on both sides are paired in ascending order, so the two maps are inverse
permutations and a round trip loses nothing.

Usage: tools/mkcodepage.py OUTPUT_DIR
"""
import os
import sys

PAGES = {437: "cp437", 850: "cp850", 858: "cp858", 1252: "cp1252"}


def maps(codec):
    to_ansi = [None] * 256
    used = set()
    for b in range(256):
        try:
            ch = bytes([b]).decode(codec)
        except UnicodeDecodeError:
            continue
        code = ord(ch)
        if code < 256 and code not in used:
            to_ansi[b] = code
            used.add(code)
    free = iter(sorted(set(range(256)) - used))
    for b in range(256):
        if to_ansi[b] is None:
            to_ansi[b] = next(free)
    from_ansi = [0] * 256
    for b, a in enumerate(to_ansi):
        from_ansi[a] = b
    return bytes(to_ansi), bytes(from_ansi)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for page, codec in PAGES.items():
        to_ansi, from_ansi = maps(codec)
        with open(os.path.join(out, "%04d-ansi" % page), "wb") as f:
            f.write(to_ansi)
        with open(os.path.join(out, "ansi-%04d" % page), "wb") as f:
            f.write(from_ansi)


if __name__ == "__main__":
    main()
