#!/usr/bin/env python3
# Writes the seeds of the hzef fuzz target (tests/fuzz/corpus_hzef): the PNG
# pictures of the PDF cases behind a 0 byte, and behind a 1 byte a small
# TrueType font made here that libHaru loads and embeds: three glyphs (an
# empty .notdef, a square, a composite of the square), 'A' and 'B' mapped
# through idDelta and 'C' through glyphIdArray.
import os
import struct
import sys

root = os.path.dirname(os.path.abspath(__file__))
out = os.path.join(root, "corpus_hzef")
os.makedirs(out, exist_ok=True)


def tiny_font():
    square = struct.pack(">hhhhhHH", 1, 0, 0, 500, 500, 3, 0) + bytes([1, 1, 1, 1]) + \
        struct.pack(">hhhh", 0, 500, 0, -500) + struct.pack(">hhhh", 0, 0, 500, 0)
    composite = struct.pack(">hhhhhHHhh", -1, 0, 0, 600, 600, 0x0003, 1, 100, 100)
    glyphs = [b"", square, composite]
    glyf, loca = b"", []
    for g in glyphs:
        loca.append(len(glyf))
        glyf += g + b"\0" * (-len(g) % 4)
    loca.append(len(glyf))
    head = struct.pack(">IIIIHH", 0x00010000, 0x00010000, 0, 0x5F0F3CF5, 0x000B, 1000) + b"\0" * 16 + \
        struct.pack(">hhhhHHhhh", 0, -200, 600, 800, 0, 8, 2, 1, 0)
    hhea = struct.pack(">IhhhHhhhhhhhhhhhH", 0x00010000, 800, -200, 0, 600, 0, 0, 600, 1, 0, 0, 0, 0, 0, 0, 0, 3)
    maxp = struct.pack(">IH", 0x00010000, 3) + struct.pack(">13H", 4, 1, 4, 1, 2, 0, 0, 0, 0, 0, 0, 1, 1)
    hmtx = struct.pack(">HhHhHh", 500, 0, 600, 0, 700, 0)
    loca_t = b"".join(struct.pack(">I", o) for o in loca)
    segs = [(0x41, 0x42, (1 - 0x41) & 0xFFFF, 0), (0x43, 0x43, 0, 4), (0xFFFF, 0xFFFF, 1, 0)]
    n = len(segs)
    sub = struct.pack(">HHHHHHH", 4, 0, 0, n * 2, 4, 1, n * 2 - 4)
    sub += b"".join(struct.pack(">H", s[1]) for s in segs) + b"\0\0"
    sub += b"".join(struct.pack(">H", s[0]) for s in segs)
    sub += b"".join(struct.pack(">H", s[2]) for s in segs)
    sub += b"".join(struct.pack(">H", s[3]) for s in segs)
    sub += struct.pack(">H", 2)  # glyphIdArray: 'C' is the composite
    sub = sub[:2] + struct.pack(">H", len(sub)) + sub[4:]
    cmap = struct.pack(">HHHHI", 0, 1, 3, 1, 12) + sub
    os2 = struct.pack(">HhHHH", 1, 550, 400, 5, 0) + b"\0" * 20 + struct.pack(">h", 0) + b"\0" * 10 + \
        b"\0" * 16 + b"TINY" + struct.pack(">HHH", 0x40, 0x20, 0x43) + \
        struct.pack(">hhhHH", 800, -200, 0, 800, 200) + struct.pack(">II", 1, 0)
    post = struct.pack(">IIhhIIIII", 0x00030000, 0, -100, 50, 0, 0, 0, 0, 0)
    names = [(1, "Tiny Sans"), (2, "Regular"), (4, "Tiny Sans"), (6, "TinySans")]
    recs, strings = [], b""
    for pid, enc, lang, utf16 in ((1, 0, 0, False), (3, 1, 0x409, True)):
        for nid, text in names:
            data = text.encode("utf-16-be") if utf16 else text.encode("latin-1")
            recs.append(struct.pack(">HHHHHH", pid, enc, lang, nid, len(data), len(strings)))
            strings += data
    name = struct.pack(">HHH", 0, len(recs), 6 + 12 * len(recs)) + b"".join(recs) + strings
    tables = sorted({"OS/2": os2, "cmap": cmap, "glyf": glyf, "head": head, "hhea": hhea, "hmtx": hmtx,
                     "loca": loca_t, "maxp": maxp, "name": name, "post": post}.items())
    f = struct.pack(">IHHHH", 0x00010000, len(tables), 128, 3, len(tables) * 16 - 128)
    offset = 12 + 16 * len(tables)
    body = b""
    for tag, data in tables:
        f += tag.encode() + struct.pack(">III", 0, offset + len(body), len(data))
        body += data + b"\0" * (-len(data) % 4)
    return f + body


# overlong: an RGBA picture whose IDAT inflates to more bytes than it needs;
# baddatacheck: a wrong zlib data check under a right IDAT CRC.  libpng only
# warns about both; libHaru freed the refused image twice.
for pic in ("mark", "interlaced", "grey", "stripes", "overlong", "baddatacheck"):
    with open(os.path.join(root, "..", "pdf", "cases", pic + ".png"), "rb") as src:
        with open(os.path.join(out, pic + ".png.in"), "wb") as dst:
            dst.write(b"\0" + src.read())
with open(os.path.join(out, "tiny_font.ttf.in"), "wb") as dst:
    dst.write(b"\1" + tiny_font())
sys.exit(0)
