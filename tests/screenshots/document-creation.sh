#!/bin/sh
# Pictures the document creation sheet (three pages, two text blocks, an image) on a
# virtual X display. Usage: tests/screenshots/document-creation.sh [BUILD_DIR] [OUT_DIR]
set -eu
build=${1:-build}
out=${2:-$build/screenshots}
mkdir -p "$out"
VELLUMARK_TEST_DISPLAY=1 QT_QPA_PLATFORM=xcb VELLUMARK_SCREENSHOT_DIR="$(realpath "$out")" \
  xvfb-run -a -s '-screen 0 1280x800x24' \
  "$build/tests/test_sheets" --gtest_filter='DocumentCreationScreenshot.*'
