#!/bin/sh
# Builds the benchmark in Release and runs it over generated files.
# Usage: bench/run_bench.sh [quick]   (files are kept in $BENCH_FILES, default /tmp/viewer-bench)
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVIEWER_TESTS=OFF > /dev/null
cmake --build "$build" --target decode_bench > /dev/null
exec "$build/bench/decode/decode_bench" "${BENCH_FILES:-/tmp/viewer-bench}" "$@"
