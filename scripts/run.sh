#!/usr/bin/env bash
# Starts the application, or explains how to when there is no display.
set -euo pipefail
bin="$1"; shift
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && "${QT_QPA_PLATFORM:-}" != "offscreen" ]]; then
  echo "Brivel PDF needs a display to show its window, and none is set (DISPLAY/WAYLAND_DISPLAY)." >&2
  echo "Run it on a desktop session, or under a virtual display:" >&2
  echo "  xvfb-run -s '-screen 0 1280x800x24' make run" >&2
  exit 1
fi
exec "$bin" "$@"
