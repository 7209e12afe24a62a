#!/usr/bin/env bash
# Merging 20 documents of 100 pages, splitting a 1000-page document, merging five documents
# of 1000 pages into 5000 and inserting 2500 pages into the middle of 2500: vellumark-cli
# pages against qpdf, in the same run. Prints each median, the ratio and each side's peak RSS.
# Usage: bench/pages.sh [BUILD_DIR]   (needs hyperfine and qpdf)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../build}" && pwd)"
cli="$build/vellumark-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

for i in $(seq -w 1 20); do python3 "$here/make_text_pdf.py" 100 "part$i.pdf"; done
python3 "$here/make_text_pdf.py" 1000 big.pdf
python3 "$here/make_text_pdf.py" 2500 half.pdf
parts=$(ls part??.pdf | tr '\n' ' ')
thousands="big.pdf big.pdf big.pdf big.pdf big.pdf"

# Both results are checked before they are timed: the same pages, valid files.
"$cli" pages merge $parts -o ours.pdf
qpdf --empty --pages $parts -- theirs.pdf
[[ $(pdfinfo ours.pdf | awk '/^Pages:/ {print $2}') == 2000 ]] || { echo "merge lost pages"; exit 1; }
qpdf --check ours.pdf >/dev/null
rm -rf split-ours split-theirs && mkdir split-theirs
"$cli" pages split big.pdf split-ours
[[ $(ls split-ours | wc -l) == 1000 ]] || { echo "split wrote the wrong number of files"; exit 1; }
qpdf --check split-ours/page_500.pdf >/dev/null
"$cli" pages merge $thousands -o ours5k.pdf
[[ $(pdfinfo ours5k.pdf | awk '/^Pages:/ {print $2}') == 5000 ]] || { echo "5000-page merge lost pages"; exit 1; }
qpdf --check ours5k.pdf >/dev/null
"$cli" pages insert half.pdf half.pdf --page 1250 -o oursins.pdf
[[ $(pdfinfo oursins.pdf | awk '/^Pages:/ {print $2}') == 5000 ]] || { echo "insert lost pages"; exit 1; }

runs=${RUNS:-10}
hyperfine -N --warmup 1 --runs "$runs" --export-json merge.json \
  -n "vellumark-cli pages merge" "$cli pages merge $parts -o ours.pdf" \
  -n "qpdf --empty --pages" "qpdf --empty --pages $parts -- theirs.pdf"
hyperfine -N --warmup 1 --runs "$runs" --export-json split.json \
  --prepare "bash -c 'rm -rf split-ours split-theirs && mkdir split-theirs'" \
  -n "vellumark-cli pages split" "$cli pages split big.pdf split-ours" \
  -n "qpdf --split-pages" "qpdf --split-pages big.pdf split-theirs/page.pdf"

hyperfine -N --warmup 1 --runs "$runs" --export-json merge5k.json \
  -n "vellumark-cli pages merge (5000 pages)" "$cli pages merge $thousands -o ours5k.pdf" \
  -n "qpdf --empty --pages (5000 pages)" "qpdf --empty --pages $thousands -- theirs5k.pdf"
hyperfine -N --warmup 1 --runs "$runs" --export-json insert.json \
  -n "vellumark-cli pages insert (2500 into 2500)" "$cli pages insert half.pdf half.pdf --page 1250 -o oursins.pdf" \
  -n "qpdf --pages (2500 into 2500)" "qpdf --empty --pages half.pdf 1-1250 half.pdf half.pdf 1251-z -- theirsins.pdf"

# Peak resident memory of one run of each, in MB.
rss() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1 | awk '{printf "%.0f", $1 / 1024}'; }
rm -rf split-ours split-theirs && mkdir split-theirs
echo "peak RSS (MB), ours / qpdf:"
echo "  merge:    $(rss "$cli" pages merge $parts -o ours.pdf) / $(rss qpdf --empty --pages $parts -- theirs.pdf)"
echo "  split:    $(rss "$cli" pages split big.pdf split-ours) / $(rss qpdf --split-pages big.pdf split-theirs/page.pdf)"
echo "  merge5k:  $(rss "$cli" pages merge $thousands -o ours5k.pdf) / $(rss qpdf --empty --pages $thousands -- theirs5k.pdf)"
echo "  insert:   $(rss "$cli" pages insert half.pdf half.pdf --page 1250 -o oursins.pdf) / $(rss qpdf --empty --pages half.pdf 1-1250 half.pdf half.pdf 1251-z -- theirsins.pdf)"

python3 - <<'PY'
import json
for name in ("merge", "split", "merge5k", "insert"):
    ours, theirs = json.load(open(f"{name}.json"))["results"]
    cpu = lambda r: (r["user"] + r["system"]) * 1000
    print(f"{name}: vellumark-cli median {ours['median'] * 1000:.0f} ms "
          f"(CPU {cpu(ours):.0f} ms), qpdf median {theirs['median'] * 1000:.0f} ms "
          f"(CPU {cpu(theirs):.0f} ms): ours is {theirs['median'] / ours['median']:.2f}x as fast "
          f"({cpu(theirs) / cpu(ours):.2f}x in CPU time)  target >= 1x: "
          f"{'met' if theirs['median'] >= ours['median'] else 'NOT met'}")
PY

# Merges of growing size (ten documents of n/10 pages each), with each tool's peak
# resident memory: the time should grow with the pages copied, not faster.
for n in 100 1000 5000; do
  rm -f size-part*.pdf
  for i in $(seq -w 1 10); do python3 "$here/make_text_pdf.py" $((n / 10)) "size-part$i.pdf"; done
  sized=$(ls size-part??.pdf | tr '\n' ' ')
  hyperfine -N --warmup 1 --runs "$runs" --export-json "size$n.json" \
    -n "vellumark-cli pages merge ($n pages)" "$cli pages merge $sized -o ours$n.pdf" \
    -n "qpdf --empty --pages ($n pages)" "qpdf --empty --pages $sized -- theirs$n.pdf" >/dev/null
  /usr/bin/time -f "%M" -o peak-ours.txt "$cli" pages merge $sized -o ours$n.pdf
  /usr/bin/time -f "%M" -o peak-qpdf.txt qpdf --empty --pages $sized -- theirs$n.pdf
  python3 - "$n" <<'PY'
import json, sys
n = sys.argv[1]
ours, theirs = json.load(open(f"size{n}.json"))["results"]
po, pq = (int(open(f).read()) // 1024 for f in ("peak-ours.txt", "peak-qpdf.txt"))
print(f"merge {n} pages: vellumark-cli median {ours['median'] * 1000:.0f} ms (peak {po} MB), "
      f"qpdf median {theirs['median'] * 1000:.0f} ms (peak {pq} MB): ours is "
      f"{theirs['median'] / ours['median']:.2f}x as fast  target >= 1x: "
      f"{'met' if theirs['median'] >= ours['median'] else 'NOT met'}")
PY
done
