#!/usr/bin/env bash
# Reading a 20,000-page document with a flat page tree: `vellumark-cli info` against
# `pdfinfo -l` (every page's box) and `vellumark-cli text` against `pdftotext`, in the same
# run. Prints ours, the peer and the ratio (wall and CPU time).
# Usage: bench/long_read.sh [BUILD_DIR] [PAGES]   (needs hyperfine and poppler-utils)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../build}" && pwd)"
pages="${2:-20000}"
cli="$build/vellumark-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

python3 "$here/make_text_pdf.py" "$pages" long.pdf
# The same page count and the last page's box from both, before anything is timed.
[[ $("$cli" info long.pdf | awk '/^Pages:/ {print $2}') == "$pages" ]] || { echo "wrong page count"; exit 1; }
"$cli" info long.pdf | grep -q "^Page $pages: media box \[0 0 612 792\]" || { echo "last page missing"; exit 1; }
"$cli" text long.pdf -o ours.txt
pdftotext long.pdf theirs.txt
grep -q "Page $pages" ours.txt || { echo "text of the last page missing"; exit 1; }

runs=${RUNS:-5}
hyperfine -N --warmup 1 --runs "$runs" --export-json info.json \
  -n "vellumark-cli info" "$cli info long.pdf" \
  -n "pdfinfo -l" "pdfinfo -f 1 -l $pages long.pdf"
hyperfine -N --warmup 1 --runs "$runs" --export-json text.json \
  -n "vellumark-cli text" "$cli text long.pdf -o ours.txt" \
  -n "pdftotext" "pdftotext long.pdf theirs.txt"

python3 - "$pages" <<'PY'
import json, sys
for name in ("info", "text"):
    ours, theirs = json.load(open(f"{name}.json"))["results"]
    cpu = lambda r: (r["user"] + r["system"]) * 1000
    print(f"{name} ({sys.argv[1]} pages): ours {ours['mean'] * 1000:.0f} ms (CPU {cpu(ours):.0f} ms), "
          f"{theirs['command']} {theirs['mean'] * 1000:.0f} ms (CPU {cpu(theirs):.0f} ms): "
          f"ours is {theirs['mean'] / ours['mean']:.2f}x as fast ({cpu(theirs) / cpu(ours):.2f}x in CPU time)")
PY
