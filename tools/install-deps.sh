#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing the
# viewer need. Safe to run again; does nothing when all are present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3
  libgtest-dev libgmock-dev
  libx11-dev libxext-dev libgtk-3-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev ffmpeg
  xvfb xdotool x11-utils x11-apps imagemagick
  clang libclang-rt-14-dev valgrind
  g++-mingw-w64-i686
)
windows_packages=(wine wine32)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  missing+=(update)
fi
for p in "${windows_packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update -q
  all=("${packages[@]}" "${windows_packages[@]}")
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${all[@]}"
fi
