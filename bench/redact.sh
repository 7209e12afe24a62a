#!/usr/bin/env bash
# Find and Redact one word on every page of a 1000-page text document: wall time, CPU time
# and peak memory of `vellumark-cli redact`, beside a plain whole rewrite of the same file
# by qpdf (what any redaction must at least pay to write the file again).
#   bench/redact.sh [PAGES]          (default 1000)
set -euo pipefail
cd "$(dirname "$0")/.."
PAGES="${1:-1000}"
BUILD="${BUILD_DIR:-build}"
[[ -f "$BUILD/build.ninja" ]] || cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" --target vellumark-cli >/dev/null
CLI="$PWD/$BUILD/vellumark-cli"
OUT="$PWD/bench/out"
mkdir -p "$OUT"
DOC="$OUT/text$PAGES.pdf"
[[ -f "$DOC" ]] || python3 bench/make_text_pdf.py "$PAGES" "$DOC"

# Every page starts with "Page N": one match a page.
/usr/bin/time -v "$CLI" redact "$DOC" --text Page -o "$OUT/redacted.pdf" --json \
  >"$OUT/redact.json" 2>"$OUT/redact.time"
python3 - "$OUT/redact.json" "$PAGES" <<'PY'
import json, sys
report = json.load(open(sys.argv[1]))
print(f"== redact \"Page\" on {sys.argv[2]} pages: {report['marks']} marks, "
      f"{sum(p['characters'] for p in report['pages'])} characters removed")
PY
awk -F': ' '/Elapsed/ {print "   wall:", $2} /User time/ {u=$2} /System time/ {s=$2}
            /Maximum resident/ {printf "   peak memory: %.0f MB\n", $2/1024}
            END {printf "   CPU: %.2f s\n", u+s}' "$OUT/redact.time"
left=$(pdftotext "$OUT/redacted.pdf" - | grep -c "^Page " || true)
echo "   pages still starting with \"Page\" (pdftotext): $left"
/usr/bin/time -v qpdf "$DOC" "$OUT/rewritten.pdf" 2>"$OUT/qpdf.time"
awk -F': ' '/Elapsed/ {print "   peer, qpdf whole rewrite: wall", $2}
            /Maximum resident/ {printf "   peer peak memory: %.0f MB\n", $2/1024}' "$OUT/qpdf.time"
