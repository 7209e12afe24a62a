#!/usr/bin/env python3
"""Writes a text-only PDF of N Letter pages, 45 lines of prose each, in Helvetica."""
import sys

WORDS = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor "
         "incididunt ut labore et dolore magna aliqua ut enim ad minim veniam quis nostrud "
         "exercitation ullamco laboris nisi aliquip ex ea commodo consequat duis aute irure "
         "reprehenderit voluptate velit esse cillum fugiat nulla pariatur excepteur sint "
         "occaecat cupidatat non proident sunt culpa qui officia deserunt mollit anim id est "
         "laborum Brivel benchmark searchable Needle").split()


def main():
    pages = int(sys.argv[1]) if len(sys.argv) > 1 else 1000
    out = sys.argv[2] if len(sys.argv) > 2 else "text.pdf"
    objs = []
    def add(body):
        objs.append(body)
        return len(objs)
    catalog = add(b"")
    pages_obj = add(b"")
    font = add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>")
    kids = []
    w = 0
    for p in range(pages):
        lines = [f"Page {p + 1}".encode()]
        for l in range(44):
            words = [WORDS[(p * 7 + l * 13 + k * 3) % len(WORDS)] for k in range(12)]
            lines.append(" ".join(words).encode())
        content = b"BT /F1 11 Tf 14 TL 56 740 Td\n" + b"".join(b"(" + ln + b") Tj T*\n" for ln in lines) + b"ET\n"
        stream = add(b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream")
        kids.append(add(b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 %d 0 R >> >> /Contents %d 0 R >>" % (pages_obj, font, stream)))
    objs[pages_obj - 1] = b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % k for k in kids) + b"] /Count %d >>" % pages
    objs[catalog - 1] = b"<< /Type /Catalog /Pages %d 0 R >>" % pages_obj
    data = bytearray(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for i, body in enumerate(objs):
        offsets.append(len(data))
        data += b"%d 0 obj\n" % (i + 1) + body + b"\nendobj\n"
    xref = len(data)
    data += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
    for off in offsets:
        data += b"%010d 00000 n \n" % off
    data += b"trailer\n<< /Size %d /Root %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objs) + 1, catalog, xref)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
