#!/usr/bin/env bash
# Installs what is needed, builds the viewer (Linux and Windows) and runs
# every test, under a private X server: the suite, the suite again under
# the sanitizers, and a bounded fuzzing run. QUICK=1 runs the suite alone.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build"

if [ -f cmake/mingw-i686.cmake ]; then
  cmake -S . -B "$build-windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DCMAKE_BUILD_TYPE=Release
  cmake --build "$build-windows"
fi

# A private X server for the window, dialog and end-to-end tests.
display_no=${XVFB_DISPLAY:-77}
Xvfb ":$display_no" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X$display_no" ] && break
  sleep 0.1
done
export DISPLAY=":$display_no"

ctest --test-dir "$build" --output-on-failure -j2 --timeout 600

if [ "${QUICK:-0}" != 1 ]; then
  tools/test-sanitizers.sh
  tests/fuzz/run_fuzz.sh
fi
