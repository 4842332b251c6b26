"""The invoice run of bench/pdf_invoices.sh made with ReportLab: 50
customers of 4 Letter pages each, the same logo, header, shaded table in
boxes, totals, pie chart of four categories, "Page n of 200" and one
bookmark per customer, Courier 12 text at the same places."""
import sys

from reportlab.lib.pagesizes import letter
from reportlab.pdfgen import canvas

ITEMS = ["Copier paper A4, 5 reams", "Toner cartridge, black", "Ballpoint pens, box of 50", "Desk lamp, LED",
         "Archive boxes, pack of 10", "Stapler, heavy duty", "Whiteboard markers, 8 colours", "Office chair mat"]
CATS = ["Paper", "Printing", "Writing", "Furniture"]
CLRS = [(40, 90, 170), (230, 140, 30), (60, 160, 80), (190, 50, 60)]
NAMES = ["Abbott", "Baker", "Carver", "Dalton", "Ellis", "Fisher", "Grant", "Hughes", "Irving", "Jensen"]
CUSTOMERS, PPC, ROWS = 50, 4, 40
PAGES = CUSTOMERS * PPC
W, H = letter
M = 18.0          # margins
CW, LH = 7.2, 12.0  # Courier 12: column width and line height


def x(col):
    return M + col * CW


def base(line):  # baseline of a text line, as the oru writer places it
    return H - 12 - line * LH - M + 3 - 1


def ytop(line):
    return H - M - line * LH


def rgb(c):
    return c[0] / 255.0, c[1] / 255.0, c[2] / 255.0


def main(out, logo):
    c = canvas.Canvas(out, pagesize=letter)
    c.setTitle("Invoices")
    c.setAuthor("ACME Supplies Ltd")
    c.setSubject("Monthly invoice run")
    pg = 0
    for cu in range(1, CUSTOMERS + 1):
        cust = "%s & Sons %d" % (NAMES[(cu * 7) % 10], cu)
        total = 0.0
        part = [0.0] * 4
        for p in range(1, PPC + 1):
            pg += 1
            if p == 1:
                key = "c%d" % cu
                c.bookmarkPage(key)
                if cu == 1:
                    c.addOutlineEntry("Customers", "c1", level=0)
                c.addOutlineEntry(cust, key, level=1)
            c.drawImage(logo, x(66), ytop(4), width=13 * CW, height=4 * LH, preserveAspectRatio=True)
            c.setFont("Courier-Bold", 12)
            c.drawString(x(0), base(0), "ACME Supplies Ltd")
            c.setFont("Courier", 12)
            c.drawString(x(0), base(1), "12 Harbour Road, Portsmouth")
            c.drawString(x(0), base(3), "Invoice %d   Customer: %s" % (10000 + cu, cust))
            c.drawString(x(0), base(4), "Page %d of %d" % (pg, PAGES))
            c.setFillColorRGB(*rgb((200, 205, 220)))
            c.rect(x(0), ytop(7), 80 * CW, LH, stroke=0, fill=1)
            c.setFillColorRGB(0, 0, 0)
            c.drawString(x(1), base(6), "Item")
            c.drawString(x(40), base(6), "Qty")
            c.drawString(x(50), base(6), "Price")
            c.drawString(x(67), base(6), "Amount")
            for r in range(1, ROWS + 1):
                k = (cu * 13 + p * 7 + r * 3) % 8
                q = (cu + r * p) % 9 + 1
                price = 2.5 + k * 3.75
                amt = q * price
                total += amt
                part[k % 4] += amt
                line = 7 + r
                if r % 2 == 0:
                    c.setFillColorRGB(*rgb((235, 235, 240)))
                    c.rect(x(0), ytop(line + 1), 80 * CW, LH, stroke=0, fill=1)
                    c.setFillColorRGB(0, 0, 0)
                c.drawString(x(1), base(line), ITEMS[k])
                c.drawString(x(40), base(line), "%3d" % q)
                c.drawString(x(48), base(line), "%9s" % format(price, ",.2f"))
                c.drawString(x(64), base(line), "%10s" % format(amt, ",.2f"))
            c.setLineWidth(0.5)
            c.setStrokeColorRGB(0, 0, 0)
            c.rect(x(0), ytop(8 + ROWS), 80 * CW, (2 + ROWS) * LH, stroke=1, fill=0)
            for col in (38, 46, 60):
                c.line(x(col), ytop(6), x(col), ytop(8 + ROWS))
            if p == PPC:
                c.drawString(x(50), base(50), "Total")
                c.drawString(x(62), base(50), "%14s" % format(total, ",.2f"))
                a0 = 0
                for i in range(4):
                    a1 = 360 if i == 3 else a0 + int(part[i] * 360 / total + .5)
                    c.setFillColorRGB(*rgb(CLRS[i]))
                    c.setStrokeColorRGB(1, 1, 1)
                    if a1 > a0:
                        r = 120 * CW / 16
                        cx, cy = x(200 / 16), ytop(56 * 80 / 3 * 0.45 / LH)
                        c.wedge(cx - r, cy - r, cx + r, cy + r, a0, a1 - a0, stroke=1, fill=1)
                    c.rect(x(25), ytop(53 + i * 2), 30 * 0.45, LH, stroke=0, fill=1)
                    c.setFillColorRGB(0, 0, 0)
                    c.drawString(x(28), base(52 + i * 2), CATS[i])
                    c.drawString(x(40), base(52 + i * 2), "%5.1f%%" % (part[i] * 100 / total))
                    a0 = a1
            c.showPage()
    c.save()
    return pg


if __name__ == "__main__":
    print("pages:", main(sys.argv[1], sys.argv[2]))
