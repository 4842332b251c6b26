"""Checks pixels of a binary PPM image (P6, 8 bits): each line of the list
file is "x y r g b"; every listed pixel must be within 32 levels of that
colour in each of red, green and blue, so a colour that comes out with its
red and blue exchanged is caught.  Exit 0 when all match."""
import sys

from imgcmp import read_pnm


def main():
    if len(sys.argv) != 3:
        raise SystemExit("usage: pixels.py list image.ppm")
    w, h, pix = read_pnm(sys.argv[2], b"P6", 3)
    bad = 0
    with open(sys.argv[1]) as f:
        for line in f:
            if not line.strip():
                continue
            x, y, r, g, b = (int(v) for v in line.split())
            if not (0 <= x < w and 0 <= y < h):
                print("pixel %d,%d outside the %dx%d image" % (x, y, w, h))
                bad += 1
                continue
            i = (y * w + x) * 3
            got = tuple(pix[i:i + 3])
            if any(abs(a - e) > 32 for a, e in zip(got, (r, g, b))):
                print("pixel %d,%d is %s, not %s" % (x, y, got, (r, g, b)))
                bad += 1
    sys.exit(1 if bad else 0)


main()
