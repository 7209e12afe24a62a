#!/usr/bin/env bash
# Tools the benchmarks compare against (not needed to build or test).
set -euo pipefail
need=()
for p in hyperfine mupdf-tools poppler-utils qpdf tesseract-ocr imagemagick img2pdf ocrmypdf python3; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if ((${#need[@]})); then
  SUDO=""; [[ $(id -u) -ne 0 ]] && SUDO=sudo
  $SUDO apt-get update -qq && $SUDO apt-get install -y -qq "${need[@]}"
fi
