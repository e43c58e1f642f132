#!/usr/bin/env bash
# `cmake --install` puts the intro, xm2wav and xmplay (and capture where it is built) into
# PREFIX/bin and the README and LICENSE into PREFIX/share/doc; the installed programs run from
# there, and nothing else is installed.
# Usage: bash install_and_run.sh BUILD_DIR
#        bash install_and_run.sh --fresh-clone SOURCE_DIR
# The second form checks the set-up a new user goes through: a copy of the source tree as a
# clone has it (the files git tracks, with their edits; a file not yet added is missing, as it
# would be from a clone), `./run.sh xm2wav --version` alone, then `cmake --install build/release`.
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ "$1" = --fresh-clone ]; then
  source_dir=$2
  git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1 || { echo "not a git checkout: $source_dir"; exit 77; }
  mkdir "$work/clone"
  git -C "$source_dir" ls-files -z --cached |
    (cd "$source_dir" && xargs -0 -r sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' _) |
    (cd "$source_dir" && tar --null -T - -cf -) | tar -xf - -C "$work/clone"
  # The sanitizer settings of the test build are not the user's.
  version=$(env -u ASAN_OPTIONS -u UBSAN_OPTIONS "$work/clone/run.sh" xm2wav --version 2>"$work/run.log")
  [ "$version" = "$(sed -n 's/^project(orvanthe_intro VERSION \([0-9.]*\).*/xm2wav \1/p' "$source_dir/CMakeLists.txt")" ] ||
    { echo "FAIL: ./run.sh xm2wav --version said '$version'"; tail -n 20 "$work/run.log"; exit 1; }
  build="$work/clone/build/release"
else
  build=$1
fi
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { echo "FAIL: cmake --install"; tail -n 5 "$work/install.log"; exit 1; }
status=0
expected="bin/intro bin/xm2wav bin/xmplay share/doc/orvanthe_intro/LICENSE share/doc/orvanthe_intro/README.md"
[ -e "$build/bin/capture" ] && expected="bin/capture $expected"
installed=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ' | sed 's/ $//')
[ "$installed" = "$expected" ] || { echo "FAIL: installed '$installed', expected '$expected'"; status=1; }
"$prefix/bin/xm2wav" "$build/assets/embedded.xm" "$prefix/one_second.wav" --seconds 1 2>/dev/null ||
  { echo "FAIL: the installed xm2wav did not render"; status=1; }
[ "$(stat -c %s "$prefix/one_second.wav" 2>/dev/null)" = $((44 + 44100 * 4)) ] ||
  { echo "FAIL: the installed xm2wav wrote a file of the wrong size"; status=1; }
"$prefix/bin/xmplay" --version >/dev/null || { echo "FAIL: the installed xmplay did not run"; status=1; }
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$prefix/bin/intro" 2>/dev/null
[ $? -eq 1 ] || { echo "FAIL: the installed intro did not start (and stop: no display) as built"; status=1; }
if [ -e "$build/bin/capture" ]; then
  "$prefix/bin/capture" --version >/dev/null || { echo "FAIL: the installed capture did not run"; status=1; }
fi
[ $status -eq 0 ] && echo "installed into a temporary prefix: $installed; the programs run from there"
exit $status
