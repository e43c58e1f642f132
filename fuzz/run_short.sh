#!/bin/sh
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) in build/fuzz and runs the
# module fuzz target for about a minute (or $1 seconds), seeded with the module corpus
# (INTRO_CORPUS_DIR, default ../shared/corpus) and the kept regression inputs.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
seconds=${1:-60}
corpus=${INTRO_CORPUS_DIR:-$root/../shared/corpus}
build=$root/build/fuzz
cmake --preset fuzz -S "$root" >/dev/null
cmake --build "$build" --target fuzz_load_song -j"$(nproc)" >/dev/null
work=$(mktemp -d /tmp/intro-fuzz-run.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/seeds" "$work/found"
find "$corpus" "$here/regressions" -type f \( -name '*.xm' -o -name 'crash-*' \) \
    -exec cp {} "$work/seeds/" \; 2>/dev/null || true
cd "$work"
"$build/fuzz/fuzz_load_song" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
    "$work/found" "$work/seeds"
