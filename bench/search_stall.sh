#!/bin/sh
# Types a query into the search bar of a window holding a long text document (under Xvfb)
# and prints the longest stall of the main loop while the matches stream in, with the time
# to the first match and to the end. Usage: bench/search_stall.sh [build-dir] [pages]
set -e
build=${1:-build}
export VELLUMARK_SEARCH_BENCH=1
export VELLUMARK_SEARCH_BENCH_PAGES=${2:-1000}
export VELLUMARK_TEST_DISPLAY=1
xvfb-run -a -s '-screen 0 1280x800x24' \
    "$build/tests/test_shell" --gtest_filter='SearchStall.*' | grep -E 'pages=|OK|FAILED'
