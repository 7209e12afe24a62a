#!/usr/bin/env bash
# Measures vellumark-cli against other tools in one run and prints each figure, the ratio
# and the target it is held to.
#   bench/run.sh [extra.pdf ...]
# Text and search use text documents of 1000 and 5000 pages; rendering uses the first 100
# pages (pdftoppm needs minutes for more). Peak memory is each tool's maximum resident set.
# RUNS (default 5) and WARM (default 1) set hyperfine's runs and warm-up runs.
set -euo pipefail
RUNS=${RUNS:-5} WARM=${WARM:-1}
cd "$(dirname "$0")/.."
bench/setup.sh
BUILD="${BUILD_DIR:-build}"
[[ -f "$BUILD/build.ninja" ]] || cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" --target vellumark-cli >/dev/null
CLI="$PWD/$BUILD/vellumark-cli"
OUT="$PWD/bench/out"
mkdir -p "$OUT"
for n in 100 1000 5000; do
  [[ -f "$OUT/text$n.pdf" ]] || python3 bench/make_text_pdf.py "$n" "$OUT/text$n.pdf"
done
docs=("$OUT/text1000.pdf" "$OUT/text5000.pdf" "$@")

ratio() { python3 bench/ratio.py "$@"; } # hyperfine json; our command comes first
peak() { # peak resident memory of one run of a command, in MB
  /usr/bin/time -f "%M" -o "$OUT/peak.txt" "$@" >/dev/null 2>&1
  echo $(($(cat "$OUT/peak.txt") / 1024))
}

for doc in "${docs[@]}"; do
  name=$(basename "$doc")
  echo "== text: $name"
  hyperfine -N -w "$WARM" -r "$RUNS" --export-json "$OUT/text.json" \
    "$CLI text $doc -o $OUT/ours.txt" \
    "pdftotext $doc $OUT/poppler.txt" \
    "mutool draw -q -F txt -o $OUT/mutool.txt $doc" >/dev/null 2>&1
  ratio "$OUT/text.json" --target 2
  ours=$(peak "$CLI" text "$doc" -o "$OUT/ours.txt")
  theirs=$(peak pdftotext "$doc" "$OUT/poppler.txt")
  echo "  peak RSS: ours $ours MB, pdftotext $theirs MB (target: under 100 MB)"
  echo "== search: $name"
  hyperfine -w "$WARM" -r "$RUNS" --export-json "$OUT/search.json" \
    "$CLI search $doc needle > /dev/null" \
    "pdftotext $doc - | grep -ic needle > /dev/null" >/dev/null 2>&1
  ratio "$OUT/search.json" --target 2
  ours=$(peak "$CLI" search "$doc" needle)
  echo "  peak RSS: ours $ours MB (target: under 100 MB)"
done

echo "== render --all at 144 dpi: text100.pdf"
rm -rf "$OUT/png"; mkdir -p "$OUT/png/ours" "$OUT/png/mutool" "$OUT/png/poppler"
hyperfine -w "$WARM" -r "$RUNS" --export-json "$OUT/render.json" \
  "$CLI render $OUT/text100.pdf --all -o $OUT/png/ours" \
  "mutool draw -q -r 144 -o $OUT/png/mutool/page_%d.png $OUT/text100.pdf" \
  "pdftoppm -r 144 -png $OUT/text100.pdf $OUT/png/poppler/page" >/dev/null 2>&1
ratio "$OUT/render.json" --target 2.5
ours=$(du -sb "$OUT/png/ours" | cut -f1)
poppler=$(du -sb "$OUT/png/poppler" | cut -f1)
mutool=$(du -sb "$OUT/png/mutool" | cut -f1)
python3 - "$ours" "$poppler" "$mutool" <<'PY'
import sys
ours, poppler, mutool = (int(x) for x in sys.argv[1:])
print(f"  PNG bytes: ours {ours / 1e6:.1f} MB, pdftoppm {poppler / 1e6:.1f} MB "
      f"({ours / poppler:.2f}x theirs), mutool {mutool / 1e6:.1f} MB ({ours / mutool:.2f}x theirs)"
      f"  target: at most 1.2x pdftoppm's: {'met' if ours <= 1.2 * poppler else 'NOT met'}")
PY
