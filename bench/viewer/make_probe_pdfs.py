#!/usr/bin/env python3
"""Writes the viewer probe's documents into OUT: text1000.pdf (1000 pages of prose),
images200.pdf (200 pages, each a distinct full-width JPEG photograph-like picture) and
scan160.pdf (a scanned book as img2pdf makes one: 160 pages, each a 300 dpi JPEG of a
letter-size page, over 200 MB in all). Page 1 of each carries a block of pure red, which
the probe watches for on the screen.
Usage: make_probe_pdfs.py OUT"""
import os
import subprocess
import sys
import zlib

WORDS = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor "
         "incididunt ut labore et dolore magna aliqua ut enim ad minim veniam quis nostrud "
         "exercitation ullamco laboris nisi aliquip ex ea commodo consequat").split()
MARKER = b"q 1 0 0 rg 72 600 200 120 re f Q\n"


def write_pdf(path, pages):
    """pages: list of (content bytes, resources bytes, [(xobject name, dict, data)])"""
    objs = []

    def add(body):
        objs.append(body)
        return len(objs)

    catalog = add(b"")
    tree = add(b"")
    font = add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")
    kids = []
    for content, images in pages:
        xobjs = b""
        for name, header, data in images:
            num = add(header + b" /Length %d >>\nstream\n" % len(data) + data + b"\nendstream")
            xobjs += b"/%s %d 0 R " % (name, num)
        data = zlib.compress(content)
        stream = add(b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(data) + data +
                     b"\nendstream")
        kids.append(add(b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] "
                        b"/Resources << /Font << /F1 %d 0 R >> /XObject << %s>> >> "
                        b"/Contents %d 0 R >>" % (tree, font, xobjs, stream)))
    objs[tree - 1] = b"<< /Type /Pages /Kids [%s] /Count %d >>" % (
        b" ".join(b"%d 0 R" % k for k in kids), len(kids))
    objs[catalog - 1] = b"<< /Type /Catalog /Pages %d 0 R >>" % tree
    out = bytearray(b"%PDF-1.7\n")
    offsets = []
    for i, body in enumerate(objs):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % (i + 1) + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
    for o in offsets:
        out += b"%010d 00000 n \n" % o
    out += b"trailer\n<< /Size %d /Root %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objs) + 1, catalog, xref)
    with open(path, "wb") as f:
        f.write(out)


def text_pages(count):
    pages = []
    for n in range(count):
        lines = [b"BT /F1 11 Tf 14 TL 72 740 Td"]
        for l in range(48):
            words = " ".join(WORDS[(n * 7 + l * 3 + k) % len(WORDS)] for k in range(12))
            lines.append(b"(%s) Tj T*" % words.encode())
        lines.append(b"ET")
        content = (MARKER if n == 0 else b"") + b"\n".join(lines) + b"\n"
        pages.append((content, []))
    return pages


def jpegs(out, count):
    """Distinct pictures from ImageMagick's plasma generator, seeded."""
    pictures = []
    for i in range(count):
        path = os.path.join(out, "probe_picture_%d.jpg" % i)
        if not os.path.exists(path):
            subprocess.run(["convert", "-seed", str(i + 1), "-size", "1400x1050",
                            "plasma:fractal", "-blur", "0x1", "-quality", "85", path],
                           check=True)
        with open(path, "rb") as f:
            pictures.append(f.read())
    return pictures


def image_pages(out, count):
    pictures = jpegs(out, 25)
    pages = []
    for n in range(count):
        data = pictures[n % len(pictures)]
        header = (b"<< /Type /XObject /Subtype /Image /Width 1400 /Height 1050 "
                  b"/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode")
        content = (b"q 540 0 0 405 36 360 cm /Im0 Do Q\n" +
                   # Over the picture's upper half, so that it shows in a viewer's
                   # smallest first window too.
                   (MARKER if n == 0 else b"") +
                   b"BT /F1 12 Tf 72 300 Td (Picture %d) Tj ET\n" % (n + 1))
        pages.append((content, [(b"Im0", header, data)]))
    return pages


def scan_pages(out, count, distinct=16):
    """300 dpi scans: grainy paper with blocks of 'print', a different one for each of
    `distinct` pages, the first with the red marker. Returns the JPEG paths, page order."""
    scans = []
    for i in range(distinct):
        path = os.path.join(out, "probe_scan_%d.jpg" % i)
        if not os.path.exists(path):
            marker = ["-fill", "#ff0000", "-draw", "rectangle 300,300 1500,1100"] if i == 0 else []
            subprocess.run(["convert", "-seed", str(i + 101), "-size", "2550x3300",
                            "gradient:wheat-white", "-attenuate", "0.25", "+noise", "Gaussian",
                            "-fill", "#303030", "-draw", "rectangle 300,1300 2250,1340",
                            "-draw", "rectangle 300,1500 2250,1540",
                            "-draw", "rectangle 300,1700 2000,1740"] + marker +
                           ["-units", "PixelsPerInch", "-density", "300", "-quality", "90",
                            path], check=True)
        scans.append(path)
    return [scans[n % distinct] for n in range(count)]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    # A document made by an older version of this script is made again.
    made_by = os.path.getmtime(__file__)
    fresh = lambda path: os.path.exists(path) and os.path.getmtime(path) >= made_by
    text = os.path.join(out, "text1000.pdf")
    if not fresh(text):
        write_pdf(text, text_pages(1000))
    images = os.path.join(out, "images200.pdf")
    if not fresh(images):
        write_pdf(images, image_pages(out, 200))
    scan = os.path.join(out, "scan160.pdf")
    if not fresh(scan):
        subprocess.run(["img2pdf", "-o", scan] + scan_pages(out, 160), check=True)


if __name__ == "__main__":
    main()
