#!/usr/bin/env bash
# Tools the benchmarks compare against (not needed to build or test), and the viewers the
# side-by-side probe (bench/viewer/probe.sh) opens next to ours. Okular pulls in a large
# part of KDE: it is installed only with BENCH_OKULAR=1.
set -euo pipefail
wanted=(hyperfine mupdf-tools poppler-utils qpdf tesseract-ocr imagemagick img2pdf ocrmypdf python3
  python3-numpy ghostscript
  time xdotool xvfb libx11-dev evince zathura qpdfview mupdf)
[[ "${BENCH_OKULAR:-0}" == 1 ]] && wanted+=(okular)
need=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if ((${#need[@]})); then
  SUDO=""; [[ $(id -u) -ne 0 ]] && SUDO=sudo
  $SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi
