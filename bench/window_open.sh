#!/bin/sh
# Opens a long text document in the main window under Xvfb and prints how long loading
# and the first sharp page took, and the longest stall of the main loop while the
# thumbnails fill in. Usage: bench/window_open.sh [build-dir] [pages]
set -e
build=${1:-build}
export VELLUMARK_WINDOW_BENCH=1
export VELLUMARK_WINDOW_BENCH_PAGES=${2:-1000}
export VELLUMARK_TEST_DISPLAY=1
xvfb-run -a -s '-screen 0 1280x800x24' \
    "$build/tests/test_shell" --gtest_filter='WindowResponsiveness.*' | grep -E 'pages=|OK|FAILED'
