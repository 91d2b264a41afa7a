#!/usr/bin/env bash
# Installs what is needed, builds the viewer and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
# A small uncompressed sample, so there is something to open at once.
mkdir -p samples
[ -f samples/sample.avi ] || ffmpeg -loglevel error -f lavfi -i testsrc=size=320x240:rate=25 -t 4 \
  -c:v rawvideo -pix_fmt bgr24 samples/sample.avi
cd samples
exec ../build/frameviewer
