#!/usr/bin/env bash
# Reading a 20,000-page document with a flat page tree, against the peers in the same run:
#   `vellumark-cli info`   against `pdfinfo -l` (every page's box),
#   `vellumark-cli text`   against `pdftotext`,
#   `vellumark-cli search` against `pdftotext | grep` (a word on the last page only).
# Before anything is timed, both sides must agree on the page count, the last page's box and
# the text of the last page. Prints the median of RUNS runs (wall and CPU time) of ours, the
# peer and the ratio; the machine should be quiet, or at least equally loaded for both.
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
# The same page count, the last page's box and its text from both, before anything is timed.
[[ $("$cli" info long.pdf | awk '/^Pages:/ {print $2}') == "$pages" ]] || { echo "wrong page count"; exit 1; }
[[ $(pdfinfo long.pdf | awk '/^Pages:/ {print $2}') == "$pages" ]] || { echo "pdfinfo disagrees on the count"; exit 1; }
"$cli" info long.pdf | grep -q "^Page $pages: media box \[0 0 612 792\]" || { echo "last page missing"; exit 1; }
"$cli" text long.pdf -o ours.txt
pdftotext long.pdf theirs.txt
grep -q "Page $pages" ours.txt || { echo "text of the last page missing"; exit 1; }
pageTitles() { grep -oE "Page [0-9]+" "$1" | sort -u | wc -l; }
[[ $(pageTitles ours.txt) == "$pages" && $(pageTitles theirs.txt) == "$pages" ]] || { echo "a page's text is missing"; exit 1; }
[[ $("$cli" search long.pdf "Page $pages" | grep -c "^page $pages:") == 1 ]] || { echo "search missed the last page"; exit 1; }

runs=${RUNS:-7}
hyperfine -N --warmup 1 --runs "$runs" --export-json info.json \
  -n "vellumark-cli info" "$cli info long.pdf" \
  -n "pdfinfo -l" "pdfinfo -f 1 -l $pages long.pdf"
hyperfine -N --warmup 1 --runs "$runs" --export-json text.json \
  -n "vellumark-cli text" "$cli text long.pdf -o ours.txt" \
  -n "pdftotext" "pdftotext long.pdf theirs.txt"
hyperfine --warmup 1 --runs "$runs" --export-json search.json \
  -n "vellumark-cli search" "$cli search long.pdf 'Page $pages' > /dev/null" \
  -n "pdftotext | grep" "pdftotext long.pdf - | grep -c 'Page $pages' > /dev/null"

python3 - "$pages" <<'PY'
import json, statistics, sys
print(f"\n{sys.argv[1]} flat pages, medians of {len(json.load(open('info.json'))['results'][0]['times'])} runs")
for name in ("info", "text", "search"):
    ours, theirs = json.load(open(f"{name}.json"))["results"]
    wall = lambda r: statistics.median(r["times"]) * 1000
    # hyperfine gives CPU time as a mean only.
    cpu = lambda r: (r["user"] + r["system"]) * 1000
    print(f"{name:6}: ours {wall(ours):6.0f} ms (CPU {cpu(ours):5.0f} ms) | "
          f"{theirs['command']} {wall(theirs):6.0f} ms (CPU {cpu(theirs):5.0f} ms) | "
          f"ratio {wall(theirs) / wall(ours):.2f}x wall, {cpu(theirs) / cpu(ours):.2f}x CPU "
          f"(above 1: ours is faster)")
PY
