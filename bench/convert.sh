#!/usr/bin/env bash
# Conversion and export, each measured in one hyperfine run against its peers:
#   - 50 photos into one PDF: vellumark-cli images against img2pdf and ImageMagick convert
#     (whichever of the two is installed);
#   - every page of a 200-page document as PNG at 144 dpi: vellumark-cli render --all (the
#     code the Export sheet runs) against pdftoppm -r 144 -png and mutool draw -r 144.
# Usage: bench/convert.sh [BUILD_DIR]     RUNS=N to change the number of timed runs.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/setup.sh"
if [[ -z "${1:-}" ]]; then make -C "$here/.." build >/dev/null; fi
build="$(cd "${1:-$here/../build}" && pwd)"
cli="$build/vellumark-cli"
out="$here/out/convert"
mkdir -p "$out/photos"
cd "$out"

ratio() { python3 "$here"/ratio.py "$1"; } # hyperfine json; our command comes first

# Fifty 3000 x 2000 photo-like JPEGs (noise over a plasma, about 1.5 MB each), made once.
if [[ ! -f photos/p50.jpg ]]; then
  echo "making 50 photos (once)..."
  convert -seed 7 -size 1500x1000 plasma:fractal -resize 200% -attenuate 0.4 +noise Gaussian photos/base.png
  for i in $(seq 1 50); do
    convert photos/base.png -roll +$((i * 97))+$((i * 53)) -modulate 100,$((70 + i)),$((60 + i * 2)) \
      -quality 88 "photos/p$i.jpg"
  done
  rm photos/base.png
fi
photos=$(ls photos/p*.jpg | sort -V | tr '\n' ' ')

# Results are checked before they are timed: fifty pages, a valid file, the photos intact.
"$cli" images $photos -o ours.pdf
[[ $(pdfinfo ours.pdf | awk '/^Pages:/ {print $2}') == 50 ]] || { echo "images lost pages"; exit 1; }
qpdf --check ours.pdf >/dev/null
[[ $(pdfimages -list ours.pdf | awk 'NR > 2 && $9 == "jpeg"' | wc -l) == 50 ]] || { echo "photos re-encoded"; exit 1; }

runs=${RUNS:-5}
peers=()
command -v img2pdf >/dev/null && peers+=(-n "img2pdf" "img2pdf $photos -o img2pdf.pdf")
# Debian's ImageMagick refuses to write PDF by policy; it is only a peer where it can.
if convert photos/p1.jpg probe.pdf 2>/dev/null; then
  peers+=(-n "convert (ImageMagick)" "convert $photos convert.pdf")
else
  echo "  (ImageMagick convert cannot write PDF here: its security policy forbids it)"
fi
rm -f probe.pdf
((${#peers[@]})) || { echo "neither img2pdf nor a PDF-writing convert is installed"; exit 1; }
echo "== 50 photos into one PDF"
hyperfine -N --warmup 1 --runs "$runs" --export-json images.json \
  -n "vellumark-cli images" "$cli images $photos -o ours.pdf" "${peers[@]}" >/dev/null 2>&1
ratio images.json

python3 "$here/make_text_pdf.py" 200 doc200.pdf
rm -rf png && mkdir -p png/ours png/poppler png/mutool
"$cli" render doc200.pdf --all -o png/ours
[[ $(ls png/ours | wc -l) == 200 ]] || { echo "export wrote the wrong number of pages"; exit 1; }
[[ $(python3 -c "import struct;d=open('png/ours/page_200.png','rb').read(24);print(*struct.unpack('>II',d[16:24]))") == "1224 1584" ]] \
  || { echo "export has the wrong pixel size"; exit 1; }

echo "== every page of a 200-page document as PNG at 144 dpi"
# pdftoppm takes a minute or more a run here; three runs keep the whole under a quarter hour.
hyperfine -N --warmup 0 --runs "${RUNS:-3}" --export-json export.json \
  -n "vellumark-cli render --all" "$cli render doc200.pdf --all -o png/ours" \
  -n "mutool draw -r 144" "mutool draw -q -r 144 -o png/mutool/page_%d.png doc200.pdf" \
  -n "pdftoppm -r 144 -png" "pdftoppm -r 144 -png doc200.pdf png/poppler/page" >/dev/null 2>&1
ratio export.json
