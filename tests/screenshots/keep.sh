#!/bin/sh
# Screenshots of the work-keeping parts under Xvfb: the "Locked" counter, the
# unsaved-changes prompt, the creation list after a mouse drag, and a signature stamp on
# pages turned 0, 90, 180 and 270 degrees as pdftoppm draws them.
# Usage: tests/screenshots/keep.sh [build-dir] [out-dir]
set -e
build=${1:-build}
out=${2:-$build/screenshots/keep}
mkdir -p "$out"
export VELLUMARK_SCREENSHOT_DIR="$(cd "$out" && pwd)"
export VELLUMARK_TEST_DISPLAY=1
xvfb-run -a -s '-screen 0 1280x800x24' \
    "$build/tests/test_shell" --gtest_filter='KeepWorkWindow.*'
# The list's drag is driven by the test's own mouse on the offscreen platform.
env -u VELLUMARK_TEST_DISPLAY "$build/tests/test_sheets" --gtest_filter='PageListDrag.*'
"$build/tests/test_viewmodels" --gtest_filter='RotatedStamp.*'
ls -1 "$VELLUMARK_SCREENSHOT_DIR"
