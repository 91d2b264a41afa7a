#!/usr/bin/env bash
# The test suite again under AddressSanitizer + UndefinedBehaviorSanitizer,
# and the two-thread tests under ThreadSanitizer. Expects DISPLAY to be set
# (tools/test.sh runs this with its Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

here=$PWD
build=${BUILD_DIR:-build}

cmake -S . -B "$build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIEWER_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build "$build-asan"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1" \
LSAN_OPTIONS="suppressions=$here/tools/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  ctest --test-dir "$build-asan" --output-on-failure -j2 --timeout 600 -LE 'wine|nosan'

cmake -S . -B "$build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIEWER_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"
cmake --build "$build-tsan"
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$here/tools/tsan.supp" \
  ctest --test-dir "$build-tsan" --output-on-failure -j2 --timeout 600 -L threads
