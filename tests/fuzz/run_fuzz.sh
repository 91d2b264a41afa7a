#!/usr/bin/env bash
# Builds the AVI service fuzzer with clang in its own build folder, fuzzes
# for a bounded time, then runs every seed once. Exits non-zero on any
# crash, leak, slow input (> 1 s) or memory use above 512 MiB.
#   FUZZ_BUILD_DIR  build folder (default build-fuzz)
#   FUZZ_SECONDS    fuzzing time in all (default 120): three quarters through
#                   the whole service, a quarter on the container reader alone
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${FUZZ_BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-120}
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fsanitize=fuzzer-no-link"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$sanitizers" -DCMAKE_CXX_FLAGS="$sanitizers" \
  -DVIEWER_FUZZ=ON -DVIEWER_BENCH=OFF >/dev/null
cmake --build "$build" --target avi_fuzzer avi_container_fuzzer avi_fuzz_seeds

work="$build/fuzz"
seeds="$work/seeds"
corpus="$work/corpus"
rm -rf "$seeds"
mkdir -p "$seeds" "$corpus"
"$build/tests/fuzz/avi_fuzz_seeds" "$seeds"
# Regression inputs kept from earlier findings.
if compgen -G "tests/fuzz/seeds/*" >/dev/null; then
  cp tests/fuzz/seeds/* "$seeds/"
fi
# Small real-codec files, when the ffmpeg tool is there.
if command -v ffmpeg >/dev/null; then
  for codec in mjpeg mpeg4 msmpeg4v2 huffyuv ffv1 cinepak msvideo1 libx264; do
    ffmpeg -loglevel error -y -f lavfi -i testsrc=size=16x16:rate=5 -frames:v 4 -c:v "$codec" \
      "$seeds/ffmpeg_$codec.avi" </dev/null || rm -f "$seeds/ffmpeg_$codec.avi"
  done
fi

options=(-rss_limit_mb=512 -timeout=1 -detect_leaks=1 -dict=tests/fuzz/avi.dict -artifact_prefix="$work/")
# ASan's quarantine holds up to 256 MiB of freed memory by default, which
# would count against the memory limit; 64 MiB still catches late uses.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:quarantine_size_mb=64}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

service="$build/tests/fuzz/avi_fuzzer"
container="$build/tests/fuzz/avi_container_fuzzer"
mkdir -p "$corpus/service" "$corpus/container"
echo "fuzzing the AVI service for $((seconds * 3 / 4)) s"
"$service" "${options[@]}" -max_total_time=$((seconds * 3 / 4)) -print_final_stats=1 "$corpus/service" "$seeds"
echo "fuzzing the container reader for $((seconds / 4)) s"
"$container" "${options[@]}" -max_total_time=$((seconds / 4)) -print_final_stats=1 "$corpus/container" "$seeds"
echo "every seed once"
"$service" "${options[@]}" -runs=0 "$seeds"
"$container" "${options[@]}" -runs=0 "$seeds"
echo "fuzzing found nothing"
