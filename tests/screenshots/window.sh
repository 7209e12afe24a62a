#!/bin/sh
# Screenshots of the main window under Xvfb: the fresh window, the drop target, a
# document with the sidebar on Pages and on Bookmarks, the search bar with results and
# the annotation toolbar with the highlight colours.
# Usage: tests/screenshots/window.sh [build-dir] [out-dir]
set -e
build=${1:-build}
out=${2:-$build/screenshots/window}
mkdir -p "$out"
export VELLUMARK_SCREENSHOT_DIR="$(cd "$out" && pwd)"
export VELLUMARK_TEST_DISPLAY=1
xvfb-run -a -s '-screen 0 1280x800x24' \
    "$build/tests/test_shell" --gtest_filter='WindowScreenshots.*'
ls -1 "$VELLUMARK_SCREENSHOT_DIR"
