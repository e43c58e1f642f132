#!/bin/sh
# Line coverage of the player reached by a fuzz corpus: builds the fuzz target with clang's
# source coverage (build/fuzz-coverage), runs every input of CORPUS_DIR once and prints the
# coverage of each file of player/.
# Usage: fuzz/coverage.sh CORPUS_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
corpus=$(realpath "$1")
build=$root/build/fuzz-coverage
cd "$root"
cmake --preset fuzz -B "$build" \
    -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" >/dev/null
cmake --build "$build" --target fuzz_load_song -j"$(nproc)" >/dev/null
rm -f "$build"/coverage-*.profraw
LLVM_PROFILE_FILE="$build/coverage-%p.profraw" "$build/fuzz/fuzz_load_song" -runs=0 "$corpus" \
    >"$build/replay.log" 2>&1
llvm-profdata merge -sparse "$build"/coverage-*.profraw -o "$build/coverage.profdata"
llvm-cov report "$build/fuzz/fuzz_load_song" -instr-profile="$build/coverage.profdata" \
    "$root/player"
