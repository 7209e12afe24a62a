#!/usr/bin/env bash
# Search over a 1000-page text document: every match found, and the time against
# `pdftotext | grep -c` measured in the same run.
#   bench/search.sh [QUERY ...]      (default queries: needle, lorem)
# vellumark-cli search runs the same case-insensitive document search as the search bar.
set -euo pipefail
cd "$(dirname "$0")/.."
bench/setup.sh
BUILD="${BUILD_DIR:-build}"
[[ -f "$BUILD/build.ninja" ]] || cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" --target vellumark-cli >/dev/null
CLI="$PWD/$BUILD/vellumark-cli"
OUT="$PWD/bench/out"
mkdir -p "$OUT"
DOC="$OUT/text1000.pdf"
[[ -f "$DOC" ]] || python3 bench/make_text_pdf.py 1000 "$DOC"
queries=("$@")
((${#queries[@]})) || queries=(needle lorem)

status=0
for q in "${queries[@]}"; do
  ours=$("$CLI" search "$DOC" "$q" | tail -n 1 | cut -d' ' -f1)
  theirs=$(pdftotext "$DOC" - | grep -oi -- "$q" | wc -l)
  echo "== search \"$q\": $ours matches (pdftotext + grep -o: $theirs)"
  if [[ "$ours" != "$theirs" ]]; then
    echo "   MISMATCH: the counts differ"; status=1
  fi
  hyperfine -N -w 1 -r 10 --export-json "$OUT/search-$q.json" \
    "$CLI search $DOC $q" >/dev/null 2>&1
  # The peer needs a pipe, so it runs through a shell; hyperfine subtracts the shell's start-up.
  hyperfine -w 1 -r 10 --export-json "$OUT/search-$q-peer.json" \
    "pdftotext $DOC - | grep -ic -- $q" >/dev/null 2>&1
  python3 - "$OUT/search-$q.json" "$OUT/search-$q-peer.json" <<'PY'
import json, sys
ours = json.load(open(sys.argv[1]))["results"][0]
peer = json.load(open(sys.argv[2]))["results"][0]
print(f"   vellumark-cli search: {ours['mean']:.3f} s ± {ours['stddev']:.3f}")
print(f"   pdftotext | grep -ic: {peer['mean']:.3f} s ± {peer['stddev']:.3f}")
print(f"   ratio: ours is {peer['mean'] / ours['mean']:.2f}x faster")
PY
done
exit $status
