#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
# (build/test) and runs every test: unit, scenario, module corpus, ThreadSanitizer, a short fuzz
# run and the end-to-end tests of the real intro under Xvfb; with MinGW-w64 and Wine present,
# ctest also cross-builds the Windows executables and runs them under Wine (tests/windows);
# with Emscripten and Chromium, it builds the web pages and drives them headless (tests/web).
#   ./test.sh                    corpus tests skip when ../shared/corpus is missing
#   ./test.sh --require-corpus   ... and fail instead (what CI runs)
set -euo pipefail
cd "$(dirname "$0")"
require_corpus=OFF
[ "${1:-}" = --require-corpus ] && require_corpus=ON
scripts/install-deps.sh test
# puppeteer-core for the browser tests, exactly as pinned in tests/web/package-lock.json.
npm ci --prefix tests/web --no-audit --no-fund --loglevel=error >/dev/null
jobs=$(nproc)

cmake --preset test -DINTRO_REQUIRE_CORPUS=$require_corpus >/dev/null
cmake --build --preset test -j"$jobs"

bash tests/tsan/run_tsan.sh

# About a minute of fuzzing; the log is shown only when it finds something.
if bash fuzz/run_short.sh 60 > build/fuzz-short.log 2>&1; then
  grep -E '^stat::number_of_executed_units|^Done' build/fuzz-short.log || true
else
  tail -n 60 build/fuzz-short.log
  echo "fuzzing found a failure: see build/fuzz-short.log" >&2
  exit 1
fi

ctest --preset test -j"$jobs"
