#!/bin/bash
# Pages as the peers see them: runs `vellumark-cli info` beside `qpdf --show-npages`,
# `pdfinfo` and `mutool info` on every PDF under the folders given, and lists each file
# where we show fewer pages than the best of them, or refuse a file one of them opens.
#
#   bench/peers_pages.sh [-b BUILD_DIR] FOLDER...
#
# Prints one line per file that falls short (ours, qpdf, pdfinfo, mutool, the file), then
# a summary. A peer that is not installed, or that refuses the file, counts as 0 pages.
# Exits 1 when any file falls short. Each program gets 60 s a file.
set -u
build=build
if [ "${1:-}" = "-b" ]; then
    build=$2
    shift 2
fi
if [ $# -eq 0 ]; then
    echo "usage: $0 [-b BUILD_DIR] FOLDER..." >&2
    exit 2
fi
cli=$build/vellumark-cli
[ -x "$cli" ] || { echo "$cli not built" >&2; exit 2; }

# The page count a program printed on a line "Pages: N" (or alone), else 0.
count() {
    local n
    n=$(timeout 60 "$@" 2>/dev/null | sed -n 's/^Pages: *\([0-9][0-9]*\).*/\1/p; s/^\([0-9][0-9]*\)$/\1/p' | head -n 1)
    echo "${n:-0}"
}
have() { command -v "$1" >/dev/null 2>&1; }

files=0
short=0
printf '%-8s %-8s %-8s %-8s %s\n' ours qpdf pdfinfo mutool file
while IFS= read -r -d '' file; do
    files=$((files + 1))
    ours=$(count "$cli" info "$file")
    q=0 p=0 m=0
    have qpdf && q=$(count qpdf --show-npages "$file")
    have pdfinfo && p=$(count pdfinfo "$file")
    have mutool && m=$(count mutool info "$file")
    best=$q
    [ "$p" -gt "$best" ] && best=$p
    [ "$m" -gt "$best" ] && best=$m
    if [ "$ours" -lt "$best" ]; then
        short=$((short + 1))
        printf '%-8s %-8s %-8s %-8s %s\n' "$ours" "$q" "$p" "$m" "$file"
    fi
done < <(find "$@" -type f -iname '*.pdf' -print0 | sort -z)
echo "$files files, $short where we show fewer pages than a peer or refuse what it opens"
[ "$short" -eq 0 ]
