"""Compares two binary PGM images (P5, 8 bits): same size, mean absolute
difference at most 3 levels and at most 2% of the pixels differing by more
than 64 levels.  Exit 0 when they match."""
import sys


def read_pnm(path, magic=b"P5", channels=1):
    """Width, height and samples of a binary 8-bit PGM (P5) or, with magic
    P6 and 3 channels, PPM."""
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while data[pos:pos + 1] not in (b"\n", b""):
                pos += 1
            continue
        start = pos
        while pos < len(data) and not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    if fields[0] != magic or int(fields[3]) > 255:
        raise SystemExit(path + ": not an 8-bit binary " + ("PGM" if channels == 1 else "PPM"))
    w, h = int(fields[1]), int(fields[2])
    pix = data[pos + 1:pos + 1 + w * h * channels]
    if len(pix) != w * h * channels:
        raise SystemExit(path + ": truncated")
    return w, h, pix


def main():
    if len(sys.argv) != 3:
        raise SystemExit("usage: imgcmp.py expected.pgm got.pgm")
    w1, h1, a = read_pnm(sys.argv[1])
    w2, h2, b = read_pnm(sys.argv[2])
    if (w1, h1) != (w2, h2):
        print("size %dx%d, expected %dx%d" % (w2, h2, w1, h1))
        return 1
    diff = [abs(x - y) for x, y in zip(a, b)]
    mean = sum(diff) / len(diff)
    big = sum(1 for d in diff if d > 64) / len(diff)
    if mean > 3 or big > 0.02:
        print("mean difference %.2f, %.2f%% of pixels far apart" % (mean, big * 100))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
