#!/usr/bin/env bash
# Builds the player, the platform layer and the player tests with ThreadSanitizer in a build
# directory of their own and runs the audio-output tests, which drive the mixing thread
# against the headless host's virtual audio clock.
# Usage: bash tests/tsan/run_tsan.sh SOURCE_DIR BUILD_DIR
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 SOURCE_DIR BUILD_DIR" >&2
  exit 2
fi
source_dir=$1
build_dir=$2

cmake -S "$source_dir" -B "$build_dir" -DINTRO_TSAN=ON -DINTRO_SANITIZE=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
nice -n 10 cmake --build "$build_dir" --target test_player -j2

# halt_on_error: the first race fails the run; second_deadlock_stack helps reading reports.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
"$build_dir/tests/player/test_player" --gtest_filter='AudioOutput*' --gtest_brief=1
