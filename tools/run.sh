#!/usr/bin/env bash
# Installs what is needed, builds the viewer and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
[ -f samples/sample.avi ] || build/tools/make_sample samples/sample.avi 2>/dev/null || true
exec build/frameviewer
