#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, only those missing.
# Usage: scripts/install-deps.sh [run|capture|web|test]
#   run      what the intro and xm2wav need to build
#   capture  and FFmpeg's libraries, for capture (the intro to a video file)
#   web      and Emscripten (with node, which it runs on), for the browser build
#   test     everything the tests need, FFmpeg's libraries included
set -euo pipefail

packages=(cmake g++ make pkg-config libsdl2-dev)
# FFmpeg's libraries: capture is built with them, and its tests read the files back with
# them. The intro and xm2wav never need them.
ffmpeg_packages=(libavformat-dev libavcodec-dev libswscale-dev libavutil-dev)
[ "${1:-run}" = capture ] && packages+=("${ffmpeg_packages[@]}")
web_packages=(emscripten nodejs python3)
[ "${1:-run}" = web ] && packages+=("${web_packages[@]}")
if [ "${1:-run}" = test ]; then
  # GoogleTest, clang with libFuzzer and the sanitizer runtimes, and what the end-to-end
  # tests drive the real window with: Xvfb, xdotool, xwininfo, ImageMagick, the X core fonts
  # SDL's message box needs, and a small window manager to minimise the full-screen intro.
  packages+=(libgtest-dev libgmock-dev clang libclang-rt-14-dev python3
             xvfb xauth xdotool x11-utils imagemagick xfonts-base openbox)
  # Two independent module players, the yardsticks of scripts/compare_peer.py and
  # bench/compare_speed.py.
  packages+=(openmpt123 xmp)
  packages+=("${ffmpeg_packages[@]}")
  # The Windows build and Wine to run it: the 32-bit Wine with Mesa's OpenGL for its
  # Direct3D 9 (about 3 GB).
  packages+=(g++-mingw-w64-i686 wine wine32:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386)
  # The browser build, and headless Chromium driven by puppeteer-core (from npm, see test.sh).
  # npm comes with some builds of node; Debian's own node has it as a package of its own.
  packages+=("${web_packages[@]}" chromium)
  command -v npm >/dev/null 2>&1 || packages+=(npm)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
   ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
# With recommended packages: the set the build and the tests were checked with.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
