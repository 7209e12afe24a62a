#!/bin/sh
# Shows a real multi-page document in each page layout under Xvfb and saves one PNG each.
#   bench/viewer/screenshots.sh [build-dir] [out-dir] [document.pdf]
set -e
BUILD=${1:-build}
OUT=${2:-$BUILD/screenshots}
DOC=${3:-/usr/share/doc/shared-mime-info/shared-mime-info-spec.pdf}
cmake -S . -B "$BUILD" -DVELLUMARK_BENCH=ON >/dev/null
cmake --build "$BUILD" --target bench_viewer -j2
xvfb-run -a -s '-screen 0 1280x800x24' "$BUILD/bench/viewer/bench_viewer" --screenshots "$OUT" "$DOC"
