#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs every test: unit, scenario, module corpus, ThreadSanitizer, a short fuzz run and the
# end-to-end tests of the real intro under Xvfb; with MinGW-w64 and Wine present, ctest also
# cross-builds the Windows executables and runs them under Wine (tests/windows).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
jobs=$(nproc)

cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINTRO_SANITIZE=ON >/dev/null
cmake --build build/test -j"$jobs"

if [ -f tests/tsan/run_tsan.sh ]; then
  bash tests/tsan/run_tsan.sh "$PWD" "$PWD/build/tsan"
fi
if [ -f fuzz/run_short.sh ]; then
  # About a minute of fuzzing the loader; the log is shown only when it finds something.
  mkdir -p build
  if bash fuzz/run_short.sh 60 > build/fuzz-short.log 2>&1; then
    grep -E '^stat::number_of_executed_units|^Done' build/fuzz-short.log || true
  else
    tail -n 60 build/fuzz-short.log
    echo "fuzzing found a failure: see build/fuzz-short.log" >&2
    exit 1
  fi
fi

cd build/test
ctest --output-on-failure -j"$jobs"
