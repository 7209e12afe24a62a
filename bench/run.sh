#!/usr/bin/env bash
# Measures vellumark-cli against other tools in one run and prints the ratios.
#   bench/run.sh [extra.pdf ...]
# Text and search use a 1000-page text document; rendering uses its first 100 pages
# (pdftoppm needs minutes for the whole of it).
set -euo pipefail
cd "$(dirname "$0")/.."
bench/setup.sh
make build >/dev/null
CLI="$PWD/build/vellumark-cli"
OUT="$PWD/bench/out"
mkdir -p "$OUT"
python3 bench/make_text_pdf.py 1000 "$OUT/text1000.pdf"
python3 bench/make_text_pdf.py 100 "$OUT/text100.pdf"
docs=("$OUT/text1000.pdf" "$@")

ratio() { python3 bench/ratio.py "$1"; } # hyperfine json; our command comes first

for doc in "${docs[@]}"; do
  name=$(basename "$doc")
  echo "== text: $name"
  hyperfine -N -w 1 -r 5 --export-json "$OUT/text.json" \
    "$CLI text $doc -o $OUT/ours.txt" \
    "pdftotext $doc $OUT/poppler.txt" \
    "mutool draw -q -F txt -o $OUT/mutool.txt $doc" >/dev/null 2>&1
  ratio "$OUT/text.json"
  echo "== search: $name"
  hyperfine -w 1 -r 5 --export-json "$OUT/search.json" \
    "$CLI search $doc needle > /dev/null" \
    "pdftotext $doc - | grep -ic needle > /dev/null" >/dev/null 2>&1
  ratio "$OUT/search.json"
done

echo "== render --all at 144 dpi: text100.pdf"
rm -rf "$OUT/png"; mkdir -p "$OUT/png/ours" "$OUT/png/mutool" "$OUT/png/poppler"
hyperfine -w 1 -r 3 --export-json "$OUT/render.json" \
  "$CLI render $OUT/text100.pdf --all -o $OUT/png/ours" \
  "mutool draw -q -r 144 -o $OUT/png/mutool/page_%d.png $OUT/text100.pdf" \
  "pdftoppm -r 144 -png $OUT/text100.pdf $OUT/png/poppler/page" >/dev/null 2>&1
ratio "$OUT/render.json"
