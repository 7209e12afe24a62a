#!/usr/bin/env bash
# Splitting documents of 100, 1,000 and 10,000 pages into one file per page:
# vellumark-cli pages split against qpdf --split-pages, in the same run, on the same disk.
# Prints each median, the ratio and the number of flushes to disk each makes (strace).
# Usage: bench/split.sh [BUILD_DIR]   (needs hyperfine and qpdf; RUNS=5 by default)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../build}" && pwd)"
cli="$build/vellumark-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
runs=${RUNS:-5}

for n in 100 1000 10000; do
  python3 "$here/make_text_pdf.py" "$n" "doc$n.pdf"
  # Checked before timed: one readable file per page.
  rm -rf ours && "$cli" pages split "doc$n.pdf" ours
  [[ $(ls ours | wc -l) == "$n" ]] || { echo "split of $n pages wrote $(ls ours | wc -l) files"; exit 1; }
  qpdf --check "ours/page_$((n / 2)).pdf" >/dev/null
  [[ $n == 10000 ]] && r=$(( runs < 3 ? runs : 3 )) || r=$runs
  hyperfine -N --warmup 1 --runs "$r" --export-json "split$n.json" \
    --prepare "bash -c 'rm -rf ours theirs && mkdir theirs'" \
    -n "vellumark-cli pages split ($n)" "$cli pages split doc$n.pdf ours" \
    -n "qpdf --split-pages ($n)" "qpdf --split-pages doc$n.pdf theirs/page.pdf" >/dev/null
  if command -v strace >/dev/null; then
    rm -rf ours theirs && mkdir theirs
    syncs() { strace -f -c -e trace=fsync,fdatasync,syncfs "$@" 2>&1 >/dev/null |
      awk '/fsync|fdatasync|syncfs/ {n += $4} END {print n + 0}'; }
    echo "flushes for $n pages, ours / qpdf: $(syncs "$cli" pages split "doc$n.pdf" ours) / $(syncs qpdf --split-pages "doc$n.pdf" theirs/page.pdf)"
  fi
done

python3 - <<'PY'
import json
for n in (100, 1000, 10000):
    ours, theirs = json.load(open(f"split{n}.json"))["results"]
    print(f"split {n:>5} pages: vellumark-cli {ours['median'] * 1000:8.0f} ms, "
          f"qpdf {theirs['median'] * 1000:8.0f} ms: ours is "
          f"{theirs['median'] / ours['median']:.2f}x as fast  target >= 1x: "
          f"{'met' if theirs['median'] >= ours['median'] else 'NOT met'}")
PY
