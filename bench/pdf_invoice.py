# The invoices of bench/pdf_invoice.bas made with ReportLab: 200 pages, 50
# customers of four pages each, with the same logo, table, shading, rules,
# pie chart, page numbers and bookmarks at the same places (Courier 12 on a
# Letter page with 18-point margins: column c at 18 + 7.2 c, line l at
# 18 + 12 l from the top; graphic units are sixteenths of a column).
# Usage: python3 pdf_invoice.py OUT.pdf LOGO.jpg
import sys
from reportlab.pdfgen import canvas
from reportlab.lib.colors import Color

W, H, M = 612, 792, 18
U = 7.2 / 16


def X(c): return M + c * 7.2
def TY(l): return H - M - l * 12 - 9.6      # text baseline of line l


def GX(u): return M + u * U
def GY(u): return H - M - u * U


def FNY(n): return int(n * 12 / 0.45)


def rgb(r, g, b): return Color(r / 255, g / 255, b / 255)


def text(c, col, line, s):
    c.drawString(X(col), TY(line), s)


def money(v, width):
    return f"{v:,.2f}".rjust(width)


def main(out, logo):
    c = canvas.Canvas(out, pagesize=(W, H), pageCompression=1)
    c.setTitle("Invoices")
    c.setAuthor("Accounts")
    pages, p = 200, 0
    for cust in range(1, 51):
        t = 0.0
        s = [0.0, 0.0, 0.0, 0.0]
        for k in range(1, 5):
            p += 1
            c.setFont("Courier", 12)
            if k == 1:
                key = f"c{cust}"
                c.bookmarkPage(key)
                c.addOutlineEntry(f"Customer {cust}", key, level=0)
            c.drawImage(logo, GX(0), GY(142), width=213 * U, height=142 * U, preserveAspectRatio=True,
                        anchor="nw")
            text(c, 40, 1, "ACME Supplies Ltd")
            text(c, 40, 2, f"Invoice {cust * 1000 + k}")
            text(c, 40, 3, f"Customer {cust}")
            c.setStrokeColor(rgb(0, 0, 0))
            c.setLineWidth(0.5)
            c.setFillColor(rgb(210, 210, 230))
            c.rect(GX(0), GY(FNY(7)), 1280 * U, (FNY(7) - FNY(6)) * U, stroke=1, fill=1)
            c.setFillColor(rgb(0, 0, 0))
            for col, h in ((1, "Item"), (9, "Description"), (45, "Qty"), (56, "Price"), (69, "Amount")):
                text(c, col, 6, h)
            for l in range(1, 41):
                y = FNY(6 + l)
                if l % 2 == 0:
                    c.setFillColor(rgb(240, 240, 240))
                    c.rect(GX(0), GY(y + FNY(1)), 1280 * U, FNY(1) * U, stroke=0, fill=1)
                    c.setFillColor(rgb(0, 0, 0))
                i = cust * 100 + l
                q = (cust + l * 3) % 17 + 1
                u = (cust * 13 + l * 7) % 500 / 4 + 1.5
                a = q * u
                t += a
                s[[1, 2, 3, 0][l % 4]] += a
                text(c, 1, 6 + l, f"{i:5d}")
                text(c, 9, 6 + l, f"Widget model {(cust * 7 + l) % 97}")
                text(c, 44, 6 + l, f"{q:4d}")
                text(c, 53, 6 + l, money(u, 8))
                text(c, 66, 6 + l, money(a, 10))
            c.rect(GX(0), GY(FNY(47)), 1280 * U, (FNY(47) - FNY(6)) * U, stroke=1, fill=0)
            for gx in (128, 688, 832, 1040):
                c.line(GX(gx), GY(FNY(6)), GX(gx), GY(FNY(47)))
            text(c, 50, 48, "Total to date")
            text(c, 66, 48, money(t, 10))
            if k == 4:
                z = sum(s)
                a1 = int(s[0] * 360 / z)
                a2 = a1 + int(s[1] * 360 / z)
                a3 = a2 + int(s[2] * 360 / z)
                cx, cy, r = GX(320), GY(FNY(55)), 160 * U
                for (f, g), col in zip(((0, a1), (a1, a2), (a2, a3), (a3, 360)),
                                       ((40, 80, 200), (200, 60, 40), (40, 160, 60), (230, 190, 30))):
                    c.setFillColor(rgb(*col))
                    c.wedge(cx - r, cy - r, cx + r, cy + r, f, g - f, stroke=1, fill=1)
                c.setFillColor(rgb(0, 0, 0))
                text(c, 30, 52, "Sales by product group")
            text(c, 60, 62, f"Page {p} of {pages}")
            c.showPage()
    c.save()


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
