#!/usr/bin/env bash
# Cross-builds the Windows executables with MinGW-w64: BUILD_DIR/intro.exe, xm2wav.exe and
# the frame_dump.exe test program. The asset generators are built natively first (in
# BUILD_DIR/host, or taken from the native build HOST_BUILD_DIR) and run on this machine.
# Usage: scripts/build-windows.sh [BUILD_DIR [HOST_BUILD_DIR]]   (default build/windows)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(realpath -m "${1:-$source_dir/build/windows}")
jobs=$(nproc)

host_dir=$(realpath -m "${2:-$build_dir/host}")
cd "$source_dir"
if [ $# -lt 2 ]; then
  cmake --preset windows-host -B "$host_dir" >/dev/null
fi
cmake --build "$host_dir" -j"$jobs" --target gen_images gen_font gen_module

cmake --preset windows -B "$build_dir" -DINTRO_HOST_TOOLS_DIR="$host_dir" >/dev/null
cmake --build "$build_dir" -j"$jobs"
