#!/bin/sh
# Builds the module loading fuzz target with clang (libFuzzer + ASan + UBSan).
# Usage: fuzz/build.sh [output directory]   (default: /tmp/intro-fuzz)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${1:-/tmp/intro-fuzz}
mkdir -p "$out"
clang++ -std=c++20 -O1 -g -ffp-contract=off -Wall -Wextra -Werror \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" \
    "$here/fuzz_load_song.cpp" "$here/fuzz_stubs.cpp" \
    "$root/player/source.cpp" "$root/player/song_lifetime.cpp" "$root/player/xm_loader.cpp" \
    "$root/player/sample_data.cpp" "$root/player/placeholders.cpp" \
    "$root/player/mixer.cpp" \
    -o "$out/fuzz_load_song"
echo "$out/fuzz_load_song"
