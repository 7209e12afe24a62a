#!/bin/sh
# Pictures of text recognition under Xvfb: the language choice, progress with Cancel while
# a scan is made searchable, and a search hit on the scanned page afterwards.
# Usage: tests/screenshots/ocr.sh [build-dir] [out-dir]
set -e
build=${1:-build}
out=${2:-$build/screenshots/ocr}
mkdir -p "$out"
export VELLUMARK_SCREENSHOT_DIR="$(cd "$out" && pwd)"
export VELLUMARK_TEST_DISPLAY=1
xvfb-run -a -s '-screen 0 1280x800x24' \
    "$build/tests/test_shell" --gtest_filter='SearchableScanWindow.*'
ls -1 "$VELLUMARK_SCREENSHOT_DIR"
