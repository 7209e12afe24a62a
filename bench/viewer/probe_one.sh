#!/usr/bin/env bash
# One viewer, one document, inside a virtual display (probe.sh runs it under xvfb-run).
#   probe_one.sh SCREENWATCH PAGES NEXT_KEY ZOOM_KEY VIEWER [ARGS...] DOC
# Prints: first_ms rss_open_mb pagedown_ms zoom_ms rss_end_mb peak_mb
set -uo pipefail
watch=$1 pages=$2 next=$3 zoom=$4
shift 4
rss() { # resident memory of the viewer and its children, in MB
  local total=0 p
  for p in $(pgrep -P "$pid") "$pid"; do
    total=$((total + $(awk '/^VmRSS/ {print $2}' /proc/"$p"/status 2>/dev/null || echo 0)))
  done
  echo $((total / 1024))
}
peak() { awk '/^VmHWM/ {print int($2 / 1024)}' /proc/"$pid"/status 2>/dev/null || echo 0; }
settled() { "$watch" settle "$1" 120000; }

launched=$("$watch" now)
"$@" >/dev/null 2>&1 &
pid=$!
seen=$("$watch" marker 30000)
if [[ "$seen" == timeout ]]; then
  kill "$pid" 2>/dev/null
  echo "timeout - - - - -"
  exit 0
fi
first=$((seen - launched))
settled 1000 >/dev/null
open=$(rss)

# Not every viewer names its process on its window: then the window is found by title.
win=$(timeout 5 xdotool search --sync --onlyvisible --pid "$pid" 2>/dev/null | tail -1)
[[ -z "$win" ]] && win=$(xdotool search --onlyvisible --name "$(basename "${!#}")" 2>/dev/null | tail -1)
[[ -n "$win" ]] && xdotool windowfocus --sync "$win" 2>/dev/null
sleep 0.3

start=$("$watch" now)
xdotool key --delay 2 --repeat 100 "$next"
last=$(settled 700)
pagedown=$((last - start))

start=$("$watch" now)
xdotool key --delay 50 --repeat 3 "$zoom"
last=$(settled 700)
zoomed=$((last - start))
xdotool key --delay 50 --repeat 3 "${zoom/plus/minus}"
settled 700 >/dev/null

# Paging to the end, a page at a time, so every page is drawn once.
xdotool key --delay 8 --repeat $((pages * 2)) "$next"
settled 1500 >/dev/null
end=$(rss)
high=$(peak)
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
echo "$first $open $pagedown $zoomed $end $high"
