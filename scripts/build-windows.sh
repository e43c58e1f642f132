#!/usr/bin/env bash
# Cross-builds the Windows executables with MinGW-w64: BUILD_DIR/intro.exe, xm2wav.exe and
# the frame_dump.exe test program. The asset generators are built natively first (in
# BUILD_DIR/host) and run on this machine.
# Usage: scripts/build-windows.sh [BUILD_DIR]      (default build/windows)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(realpath -m "${1:-$source_dir/build/windows}")
jobs=$(nproc)

cmake -S "$source_dir" -B "$build_dir/host" -DCMAKE_BUILD_TYPE=Release -DINTRO_TESTS=OFF >/dev/null
cmake --build "$build_dir/host" -j"$jobs" --target gen_images gen_font gen_module

cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DINTRO_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-mingw-i686.cmake" \
  -DINTRO_HOST_TOOLS_DIR="$build_dir/host" >/dev/null
cmake --build "$build_dir" -j"$jobs"
