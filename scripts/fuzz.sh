#!/usr/bin/env bash
# Builds the PDF fuzzer into build-fuzz/ (clang, libFuzzer, ASan, UBSan) and runs it.
#   scripts/fuzz.sh [SECONDS] [MAIN-BUILD-DIR]
# Seeds come from the tests (test_pdf writes them) and tests/fuzz/regressions/. The run
# fails on any crash, leak, input slower than 10 s or allocation over 2 GB; the input that
# did it is copied into tests/fuzz/regressions/, which the tests replay.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
main_build=${2:-build}
out=build-fuzz

cmake -S tests/fuzz -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$out" -j "${JOBS:-$(nproc)}"

corpus="$out/corpus"
crashes="$out/crashes"
mkdir -p "$corpus" "$crashes"
if [ -x "$main_build/tests/test_pdf" ]; then
  VELLUMARK_FUZZ_SEEDS="$PWD/$corpus" QT_QPA_PLATFORM=offscreen \
    "$main_build/tests/test_pdf" --gtest_filter='FuzzSeeds.*' >/dev/null
else
  echo "fuzz: no $main_build/tests/test_pdf; running without the test seeds" >&2
fi

status=0
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions="$PWD/tests/fuzz/lsan.supp" \
  "$out/fuzz_pdf" -max_total_time="$seconds" -timeout=10 -malloc_limit_mb=2048 \
  -rss_limit_mb=3072 -max_len=262144 -print_final_stats=1 \
  -artifact_prefix="$crashes/" "$corpus" tests/fuzz/regressions || status=$?

if [ "$status" -ne 0 ]; then
  for found in "$crashes"/*; do
    [ -f "$found" ] || continue
    cp "$found" tests/fuzz/regressions/
    echo "fuzz: kept $(basename "$found") in tests/fuzz/regressions/" >&2
  done
  exit "$status"
fi
