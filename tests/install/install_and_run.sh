#!/usr/bin/env bash
# `cmake --install` puts the intro, xm2wav and xmplay into PREFIX/bin and the README and LICENSE into
# PREFIX/share/doc; the installed programs run from there.
# Usage: bash install_and_run.sh BUILD_DIR
set -uo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
status=0
for file in bin/intro bin/xm2wav bin/xmplay share/doc/orvanthe_intro/README.md share/doc/orvanthe_intro/LICENSE; do
  [ -e "$prefix/$file" ] || { echo "FAIL: $file was not installed"; status=1; }
done
"$prefix/bin/xm2wav" "$build/assets/embedded.xm" "$prefix/one_second.wav" --seconds 1 ||
  { echo "FAIL: the installed xm2wav did not render"; status=1; }
[ "$(stat -c %s "$prefix/one_second.wav" 2>/dev/null)" = $((44 + 44100 * 4)) ] ||
  { echo "FAIL: the installed xm2wav wrote a file of the wrong size"; status=1; }
"$prefix/bin/xmplay" --version >/dev/null || { echo "FAIL: the installed xmplay did not run"; status=1; }
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$prefix/bin/intro" 2>/dev/null
[ $? -eq 1 ] || { echo "FAIL: the installed intro did not start (and stop: no display) as built"; status=1; }
# capture is built only where FFmpeg's libraries are; where it is, it is installed too.
if [ -e "$build/bin/capture" ]; then
  "$prefix/bin/capture" --help >/dev/null || { echo "FAIL: the installed capture did not run"; status=1; }
fi
[ $status -eq 0 ] && echo "installed into a temporary prefix; xm2wav, xmplay and intro run from there"
exit $status
