#!/usr/bin/env bash
# Text recognition of a 20-page scanned-style document: vellumark-cli ocr against
# tesseract reading the same pages, rendered at the same 144 dpi, in the same run.
# Usage: bench/ocr.sh [BUILD_DIR]   (needs hyperfine, mutool, tesseract, python3 and
# ImageMagick's convert; RUNS=N sets the number of timed runs)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../build}" && pwd)"
cli="$build/vellumark-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# The pages: plain English prose set in 12 pt Times, printed at 300 dpi, then "scanned":
# slightly skewed, grey paper, noise, a little blur, stored as JPEG as a scanner would.
python3 - /usr/share/common-licenses/GPL-3 <<'PY'
import re, sys, textwrap
words = [w for w in re.split(r"\s+", open(sys.argv[1]).read()) if w]
for page in range(20):
    chunk = words[page * 270:(page + 1) * 270]
    open(f"page{page + 1:02d}.txt", "w").write(" ".join(chunk) + "\n")
    esc = lambda s: s.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)")
    lines = textwrap.wrap(" ".join(chunk), 76)
    body = "".join(f"({esc(line)}) Tj T*\n" for line in lines)
    open(f"text{page + 1:02d}.content", "w").write(
        "%%MediaBox 0 0 612 792\n%%Font F1 Times-Roman\n"
        f"BT /F1 12 Tf 15 TL 72 708 Td\n{body}ET\n")
PY
mutool create -o printed.pdf text??.content
mutool draw -q -r 300 -c gray -o "printed%02d.png" printed.pdf
for i in $(seq -w 1 20); do
  angle=$(python3 -c "print(((${i#0} * 37) % 11 - 5) / 10)")
  convert "printed$i.png" -background white -rotate "$angle" -gravity center \
    -crop 2550x3300+0+0 +repage -fill '#f2f0ea' -opaque white -attenuate 0.4 \
    +noise Gaussian -blur 0x0.6 -colorspace Gray -quality 85 "scan$i.jpg"
  printf '%%%%MediaBox 0 0 612 792\n%%%%Image Im0 scan%s.jpg\nq 612 0 0 792 0 0 cm /Im0 Do Q\n' \
    "$i" >"page$i.content"
done
mutool create -o scanned.pdf page??.content
pdfinfo scanned.pdf | grep -E '^Pages' >/dev/null

# tesseract's input: the same pages at the resolution vellumark renders (2 x 72 dpi).
mutool draw -q -r 144 -c gray -o "tess%02d.png" scanned.pdf
ls tess??.png >pages.list

# Both single-threaded: OpenMP threads make tesseract far slower on a busy two-core box.
export OMP_THREAD_LIMIT=1
hyperfine --warmup 1 --runs "${RUNS:-3}" --export-json times.json \
  -n "vellumark-cli ocr" "$cli ocr scanned.pdf >ours.txt" \
  -n "vellumark-cli ocr --fast" "$cli ocr --fast scanned.pdf >ours-fast.txt" \
  -n "tesseract (same 144 dpi pages)" "tesseract pages.list theirs --dpi 144 -l eng --psm 3 quiet"

python3 - <<'PY'
import json, re
def words(text):
    return text.split()
def accuracy(ref, got):
    prev = list(range(len(got) + 1))
    for i, r in enumerate(ref, 1):
        cur = [i] + [0] * len(got)
        for j, g in enumerate(got, 1):
            cur[j] = min(prev[j - 1] + (r != g), prev[j] + 1, cur[j - 1] + 1)
        prev = cur
    return max(0.0, 1 - prev[-1] / len(ref))
ref = words(" ".join(open(f"page{i:02d}.txt").read() for i in range(1, 21)))
strip = lambda t: re.sub(r"^--- Page \d+ ---$", "", t, flags=re.M)
results = json.load(open("times.json"))["results"]
t = {r["command"]: r["median"] for r in results}
cpu = {r["command"]: r["user"] + r["system"] for r in results}
peer = "tesseract (same 144 dpi pages)"
print()
# CPU time as well as wall time: on a shared machine the wall clock also measures the neighbours.
for name, file in [("vellumark-cli ocr", "ours.txt"), ("vellumark-cli ocr --fast", "ours-fast.txt"),
                   (peer, "theirs.txt")]:
    acc = accuracy(ref, words(strip(open(file).read())))
    print(f"{name:32s} wall median {t[name]:7.2f} s (x{t[name] / t[peer]:4.2f})  "
          f"cpu {cpu[name]:6.2f} s (x{cpu[name] / cpu[peer]:4.2f})  word accuracy {acc * 100:6.2f} %")
PY
