#!/usr/bin/python3
"""Writes the documents bench/optimize.sh shrinks, into the folder given:

scanned.pdf  100 Letter pages, each a noisy 300 dpi colour JPEG of grey paper with lines
             of dark words (what a sheet-fed scanner makes of a printed book);
report.pdf   40 pages of text, a vector bar chart each, a 1800 x 1200 colour photograph
             on most pages (every fourth one grey, stored as colour) and a flat-colour
             screenshot on every fifth, photographs drawn at about 400 dpi;
manual.pdf   500 pages of monospaced text in an embedded TrueType font, each of its ten
             chapters carrying its own copy of the font, content deflated at zlib's level 6.

Needs numpy and ImageMagick's convert (for the JPEG encoding)."""
import os
import subprocess
import sys
import zlib

import numpy as np

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
WORDS = ("the of and to in is that for it as was with be by on not he this are or his from "
         "at which but have an they you were her she there one all we their can has been "
         "document window sheet page level image stream object resolution quality").split()


class Pdf:
    def __init__(self):
        self.objects = []

    def reserve(self):
        self.objects.append(b"")
        return len(self.objects)

    def set(self, number, body):
        self.objects[number - 1] = body

    def add(self, body):
        self.objects.append(body)
        return len(self.objects)

    def stream(self, head, data):
        return self.add(head + b" /Length %d >>\nstream\n" % len(data) + data + b"\nendstream")

    def write(self, path, catalog):
        out = bytearray(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
        offsets = []
        for i, body in enumerate(self.objects):
            offsets.append(len(out))
            out += b"%d 0 obj\n" % (i + 1) + body + b"\nendobj\n"
        xref = len(out)
        out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(self.objects) + 1)
        for off in offsets:
            out += b"%010d 00000 n \n" % off
        out += b"trailer\n<< /Size %d /Root %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
            len(self.objects) + 1, catalog, xref)
        with open(path, "wb") as f:
            f.write(out)


def jpeg(pixels, quality, folder, name):
    """JPEG bytes of an H x W x 3 uint8 array, through a PPM and ImageMagick."""
    ppm = os.path.join(folder, name + ".ppm")
    jpg = os.path.join(folder, name + ".jpg")
    h, w, _ = pixels.shape
    with open(ppm, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h) + pixels.tobytes())
    subprocess.run(["convert", ppm, "-quality", str(quality), jpg], check=True)
    os.remove(ppm)
    with open(jpg, "rb") as f:
        data = f.read()
    os.remove(jpg)
    return data


def words_line(rng, count):
    return " ".join(WORDS[int(rng.integers(len(WORDS)))] for _ in range(count))


def scanned(folder, rng, pages=100):
    pdf = Pdf()
    catalog, tree = pdf.reserve(), pdf.reserve()
    kids = []
    w, h = 2550, 3300
    luma = rng.normal(0, 5, (512, 512))
    chroma = rng.normal(0, 2, (512, 512, 3))
    for p in range(pages):
        grey = np.full((h, w), 238.0)
        y = 300
        while y < h - 300:
            x = 250
            while x < w - 300:
                length = int(rng.integers(60, 260))
                grey[y:y + 34, x:x + length] = 45.0
                x += length + 28
            y += 64
        # Noise from tiles made once, shifted on every page: drawing 25 million samples a
        # page would take longer than the benchmark itself.
        dy, dx = rng.integers(0, 512, 2)
        grey += np.tile(np.roll(luma, (dy, dx), (0, 1)), (h // 512 + 1, w // 512 + 1))[:h, :w]
        rgb = np.repeat(grey[:, :, None], 3, axis=2)
        rgb += np.tile(np.roll(chroma, (dx, dy), (0, 1)), (h // 512 + 1, w // 512 + 1, 1))[:h, :w]
        data = jpeg(np.clip(rgb, 0, 255).astype(np.uint8), 85, folder, "scan%d" % p)
        image = pdf.stream(b"<< /Type /XObject /Subtype /Image /Width %d /Height %d "
                           b"/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode" % (w, h),
                           data)
        content = pdf.stream(b"<<", b"q 612 0 0 792 0 0 cm /Im Do Q")
        kids.append(pdf.add(b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] "
                            b"/Resources << /XObject << /Im %d 0 R >> >> /Contents %d 0 R >>"
                            % (tree, image, content)))
    finish(pdf, catalog, tree, kids, os.path.join(folder, "scanned.pdf"))


def photo(rng, w, h, grey):
    yy, xx = np.mgrid[0:h, 0:w] / max(w, h)
    field = np.zeros((h, w, 3))
    for _ in range(8):
        fx, fy = rng.uniform(1, 6, 2)
        phase = rng.uniform(0, 6.3, 3)
        field += np.sin(2 * np.pi * (fx * xx + fy * yy)[:, :, None] + phase) * rng.uniform(10, 30)
    field += 128 + rng.normal(0, 4, (h, w, 3))
    if grey:
        field[:] = field.mean(axis=2, keepdims=True)
    return np.clip(field, 0, 255).astype(np.uint8)


def screenshot(w, h):
    img = np.full((h, w, 3), 245, np.uint8)
    img[:60] = (40, 60, 90)
    for i in range(12):
        img[100 + i * 55:130 + i * 55, 40:w - 40] = (220, 225, 235) if i % 2 else (255, 255, 255)
        img[108 + i * 55:122 + i * 55, 60:60 + (i * 97) % (w - 200)] = (30, 30, 30)
    return img


def report(folder, rng, pages=40):
    pdf = Pdf()
    catalog, tree = pdf.reserve(), pdf.reserve()
    font = pdf.add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>")
    kids = []
    for p in range(pages):
        xobjects = b""
        draw = b""
        if p % 5 != 4:
            data = jpeg(photo(rng, 1800, 1200, p % 4 == 1), 90, folder, "photo%d" % p)
            im = pdf.stream(b"<< /Type /XObject /Subtype /Image /Width 1800 /Height 1200 "
                            b"/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode", data)
            xobjects += b"/Ph %d 0 R " % im
            draw += b"q 324 0 0 216 72 300 cm /Ph Do Q\n"
        else:
            shot = screenshot(1200, 800)
            im = pdf.stream(b"<< /Type /XObject /Subtype /Image /Width 1200 /Height 800 "
                            b"/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode",
                            zlib.compress(shot.tobytes(), 6))
            xobjects += b"/Sc %d 0 R " % im
            draw += b"q 360 0 0 240 72 280 cm /Sc Do Q\n"
        chart = b"0.2 0.4 0.8 rg\n"
        for b in range(10):
            height = float(rng.uniform(20, 110))
            chart += b"%.1f 560 18 %.1f re f\n" % (330 + b * 24, height)
        chart += b"0 g 0.8 w 320 558 m 570 558 l S\n"
        text = b"BT /F1 10 Tf 12 TL 72 740 Td (Section %d) Tj T*\n" % (p + 1)
        for _ in range(14):
            text += b"(" + words_line(rng, 9).encode() + b") Tj T*\n"
        text += b"ET\n"
        body = zlib.compress(text + chart + draw, 6)
        content = pdf.stream(b"<< /Filter /FlateDecode", body)
        kids.append(pdf.add(b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] "
                            b"/Resources << /Font << /F1 %d 0 R >> /XObject << %s>> >> "
                            b"/Contents %d 0 R >>" % (tree, font, xobjects, content)))
    finish(pdf, catalog, tree, kids, os.path.join(folder, "report.pdf"))


def manual(folder, rng, pages=500):
    pdf = Pdf()
    catalog, tree = pdf.reserve(), pdf.reserve()
    with open(FONT, "rb") as f:
        program = f.read()
    kids = []
    font = None
    for p in range(pages):
        if p % 50 == 0:  # each chapter embeds the font again, as some producers do
            packed = zlib.compress(program, 6)
            file = pdf.stream(b"<< /Filter /FlateDecode /Length1 %d" % len(program), packed)
            descriptor = pdf.add(b"<< /Type /FontDescriptor /FontName /DejaVuSansMono /Flags 33 "
                                 b"/FontBBox [-558 -375 718 1028] /ItalicAngle 0 /Ascent 928 "
                                 b"/Descent -236 /CapHeight 729 /StemV 80 /FontFile2 %d 0 R >>"
                                 % file)
            font = pdf.add(b"<< /Type /Font /Subtype /TrueType /BaseFont /DejaVuSansMono "
                           b"/FirstChar 32 /LastChar 126 /Widths [" + b" 602" * 95 +
                           b"] /Encoding /WinAnsiEncoding /FontDescriptor %d 0 R >>" % descriptor)
        text = b"BT /F1 9 Tf 11 TL 54 750 Td (Chapter %d, page %d) Tj T*\n" % (p // 50 + 1, p + 1)
        for _ in range(58):
            text += b"(" + words_line(rng, 10).encode() + b") Tj T*\n"
        content = pdf.stream(b"<< /Filter /FlateDecode", zlib.compress(text + b"ET\n", 6))
        kids.append(pdf.add(b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] "
                            b"/Resources << /Font << /F1 %d 0 R >> >> /Contents %d 0 R >>"
                            % (tree, font, content)))
    finish(pdf, catalog, tree, kids, os.path.join(folder, "manual.pdf"))


def finish(pdf, catalog, tree, kids, path):
    pdf.set(tree, b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % k for k in kids) +
            b"] /Count %d >>" % len(kids))
    pdf.set(catalog, b"<< /Type /Catalog /Pages %d 0 R >>" % tree)
    pdf.write(path, catalog)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    rng = np.random.default_rng(2026)
    for name, make in (("scanned", scanned), ("report", report), ("manual", manual)):
        if not os.path.exists(os.path.join(folder, name + ".pdf")):
            make(folder, rng)


if __name__ == "__main__":
    main()
