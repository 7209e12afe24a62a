#!/bin/sh
# Pictures of the page management and watermark sheets on a virtual X display.
#   tests/screenshots/page-tools.sh [build-dir] [out-dir]
set -e
BUILD=${1:-build}
OUT=${2:-$BUILD/screenshots}
cmake --build "$BUILD" --target test_sheets -j2
VELLUMARK_SCREENSHOT_DIR="$OUT" VELLUMARK_TEST_DISPLAY=1 \
  xvfb-run -a -s '-screen 0 1280x800x24' "$BUILD/tests/test_sheets" --gtest_filter='PageToolsScreenshot.*'
echo "pictures in $OUT"
