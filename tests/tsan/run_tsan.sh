#!/usr/bin/env bash
# Builds the player tests with ThreadSanitizer (preset tsan, build/tsan) and runs the
# audio-output tests, which drive the mixing thread against the headless host's virtual
# audio clock.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset tsan >/dev/null
nice -n 10 cmake --build --preset tsan -j2

# halt_on_error: the first race fails the run; second_deadlock_stack helps reading reports.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
build/tsan/tests/player/test_player --gtest_filter='AudioOutput*' --gtest_brief=1
