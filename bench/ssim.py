#!/usr/bin/env python3
"""Mean SSIM of two documents' pages, each page rendered as grey at 100 dpi by pdftoppm.

ssim.py A.pdf B.pdf [pages] prints the lowest page's SSIM and the mean over the pages
compared (every page, or the first `pages` spread evenly). SSIM over a 7 x 7 uniform
window, constants of the original paper (K1 0.01, K2 0.03, L 255)."""
import os
import subprocess
import sys
import tempfile

import numpy as np


def render(pdf, page, folder, tag):
    base = os.path.join(folder, f"{tag}-{page}")
    subprocess.run(["pdftoppm", "-r", "100", "-gray", "-f", str(page), "-l", str(page),
                    "-singlefile", pdf, base], check=True)
    with open(base + ".pgm", "rb") as f:
        data = f.read()
    # P5\nW H\n255\n then the samples
    fields = data.split(maxsplit=4)
    w, h = int(fields[1]), int(fields[2])
    return np.frombuffer(fields[4][-w * h:], dtype=np.uint8).reshape(h, w).astype(np.float64)


def window_mean(a, r=3):
    s = np.cumsum(np.cumsum(np.pad(a, ((1, 0), (1, 0))), 0), 1)
    n = 2 * r + 1
    return (s[n:, n:] - s[:-n, n:] - s[n:, :-n] + s[:-n, :-n]) / (n * n)


def ssim(x, y):
    h, w = min(x.shape[0], y.shape[0]), min(x.shape[1], y.shape[1])
    x, y = x[:h, :w], y[:h, :w]
    c1, c2 = (0.01 * 255) ** 2, (0.03 * 255) ** 2
    mx, my = window_mean(x), window_mean(y)
    vx = window_mean(x * x) - mx * mx
    vy = window_mean(y * y) - my * my
    cxy = window_mean(x * y) - mx * my
    s = ((2 * mx * my + c1) * (2 * cxy + c2)) / ((mx * mx + my * my + c1) * (vx + vy + c2))
    return float(s.mean())


def pages_of(pdf):
    out = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
    return int(next(l.split()[-1] for l in out.splitlines() if l.startswith("Pages:")))


def main():
    a, b = sys.argv[1], sys.argv[2]
    count = pages_of(a)
    wanted = int(sys.argv[3]) if len(sys.argv) > 3 else count
    step = max(1, count // wanted)
    scores = []
    with tempfile.TemporaryDirectory() as folder:
        for page in range(1, count + 1, step):
            scores.append(ssim(render(a, page, folder, "a"), render(b, page, folder, "b")))
    print(f"{min(scores):.4f} {sum(scores) / len(scores):.4f}")


if __name__ == "__main__":
    main()
