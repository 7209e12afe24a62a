#!/usr/bin/env bash
# Smaller files: vellumark-cli optimize against Ghostscript's /ebook and qpdf's lossless
# rewrite, in one run, on three documents made by make_optimize_pdfs.py (a 100-page scanned
# book, a 40-page report with photographs and charts, a 500-page manual with embedded
# fonts). For each: size, wall and CPU time, SSIM of grey 100 dpi renders against the
# original (lowest page and mean over ten pages, by ssim.py) and whether pdftotext reads
# the same text as from the original.
#
#   bench/optimize.sh [build-dir] [work-dir]
#
# Needs ghostscript, qpdf, poppler-utils, imagemagick and python3-numpy (bench/setup.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
work=${2:-$(mktemp -d)}
cli="$build/vellumark-cli"
py=/usr/bin/python3
mkdir -p "$work"
echo "documents in $work" >&2
"$py" "$here/make_optimize_pdfs.py" "$work"

# run NAME OUT COMMAND...: "seconds cpu-seconds" of one run of COMMAND.
run() {
  local out=$1; shift
  rm -f "$out"
  /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" || true
  awk '{printf "%.2f %.2f", $1, $2 + $3}' "$work/time.txt"
}

size() { [[ -f $1 ]] && stat -c %s "$1" || echo 0; }
mb() { awk -v b="$1" 'BEGIN {printf "%.2f", b / 1e6}'; }

printf '| document | input MB | tool | MB | s (wall) | s (CPU) | SSIM min / mean | text same |\n'
printf '|---|---|---|---|---|---|---|---|\n'
for doc in scanned report manual; do
  in="$work/$doc.pdf"
  pdftotext "$in" "$work/$doc.txt"
  for tool in balanced lossless gs-ebook qpdf; do
    out="$work/$doc-$tool.pdf"
    case $tool in
      balanced|lossless) t=$(run "$out" "$cli" optimize "$in" -o "$out" --level "$tool") ;;
      gs-ebook) t=$(run "$out" gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -dPDFSETTINGS=/ebook \
                    -sOutputFile="$out" "$in") ;;
      qpdf) t=$(run "$out" qpdf --object-streams=generate --recompress-flate \
                --compression-level=9 "$in" "$out") ;;
    esac
    [[ -f $out ]] || cp "$in" "$out" # nothing written: the input was already as small
    ssim=$("$py" "$here/ssim.py" "$in" "$out" 10 | awk '{print $1 " / " $2}')
    pdftotext "$out" "$work/$doc-$tool.txt"
    same=$(cmp -s "$work/$doc.txt" "$work/$doc-$tool.txt" && echo yes || echo no)
    read -r wall cpu <<<"$t"
    printf '| %s | %s | %s | %s | %s | %s | %s | %s |\n' "$doc" "$(mb "$(size "$in")")" "$tool" \
      "$(mb "$(size "$out")")" "$wall" "$cpu" "$ssim" "$same"
  done
done
