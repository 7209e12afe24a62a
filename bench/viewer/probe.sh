#!/usr/bin/env bash
# The side-by-side viewer probe: ours and every installed peer (bench/setup.sh installs
# them) open the same documents in a virtual display of their own, one at a time.
# Measured from outside, the same way for all: time from launch to the first page on
# the screen (the probe documents mark page 1 with a red block), resident memory once
# open and after paging to the end (and the peak), the time 100 Page Down presses take
# to settle, and the time three zoom steps take to settle.
#   bench/viewer/probe.sh [build-dir]      (DOCS="scan160" probes the 212 MB scanned book,
#   DOCS="images200" one document only,
#   VIEWERS="ours evince" only those viewers, REPEAT=3 the number of rounds)
# Each round probes every viewer once, one after the other, so ours and the peers share
# the machine's state; the table gives the median of the rounds and the peer/ours ratio.
# Timings on a loaded machine mean little: run it on a quiet one.
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${1:-build}
OUT="$PWD/bench/out/viewer"
mkdir -p "$OUT"
bench/setup.sh
[[ -x "$BUILD/vellumark" ]] || cmake --build "$BUILD" --target vellumark >/dev/null
gcc -O2 -o "$OUT/screenwatch" bench/viewer/screenwatch.c -lX11
python3 bench/viewer/make_probe_pdfs.py "$OUT"
export HOME="$OUT/home" XDG_CONFIG_HOME="$OUT/home/.config" XDG_DATA_HOME="$OUT/home/.local/share"

# name | command | next-page key | zoom-in key
# (qpdfview runs without --unique: that needs a D-Bus session, which the virtual display
# lacks, and without one it exits before it draws.)
viewers=(
  "ours|$PWD/$BUILD/vellumark|Next|ctrl+plus"
  "evince|evince|Next|ctrl+plus"
  "okular|okular|Next|ctrl+plus"
  "qpdfview|qpdfview|Next|ctrl+plus"
  "zathura|zathura|Next|plus"
  "mupdf|mupdf|Next|plus"
)
results="$OUT/results.txt"
: >"$results"
for round in $(seq "${REPEAT:-3}"); do
for doc in ${DOCS:-text1000 images200}; do
  pages=$(case $doc in text1000) echo 1000 ;; scan160) echo 160 ;; *) echo 200 ;; esac)
  for entry in "${viewers[@]}"; do
    IFS='|' read -r name cmd next zoom <<<"$entry"
    [[ -z "${VIEWERS:-}" || " $VIEWERS " == *" $name "* ]] || continue
    command -v "${cmd%% *}" >/dev/null || continue
    # Every run starts from an empty home: a viewer that remembers the last page it showed
    # would otherwise open the next round at the end, where the marker is not.
    rm -rf "$OUT/home"; mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
    # shellcheck disable=SC2086
    line=$(xvfb-run -a -s "-screen 0 1600x1000x24" bash bench/viewer/probe_one.sh \
      "$OUT/screenwatch" "$pages" "$next" "$zoom" $cmd "$OUT/$doc.pdf")
    echo "round $round: $doc $name $line"
    echo "$doc $name $line" >>"$results"
  done
done
done
python3 bench/viewer/probe_table.py "$results"
