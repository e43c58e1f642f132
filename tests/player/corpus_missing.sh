#!/bin/bash
# Without the corpus, its tests skip with a message that names INTRO_CORPUS_DIR, or fail when
# the build requires the corpus (INTRO_REQUIRE_CORPUS=1, as CI configures it).
# Called as: bash SCRIPT TEST_PLAYER REQUIRE(0|1)
set -u
test_player=$1
require=$2
output=$(INTRO_CORPUS_DIR=/nonexistent/corpus "$test_player" \
         --gtest_filter='CorpusLoad.*:BlockFillSafety.Corpus*' 2>&1)
status=$?
ran=$(grep -c '^\[ RUN      \]' <<<"$output")
skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\},.*/\1/p' <<<"$output")
named=$(grep -c 'INTRO_CORPUS_DIR "/nonexistent/corpus" is missing' <<<"$output")
if [ "$ran" -lt 2 ] || [ "$named" -lt "$ran" ]; then
    echo "$output"
    echo "FAIL: $ran corpus tests ran, $named named the missing INTRO_CORPUS_DIR"
    exit 1
fi
if [ "$require" = 1 ]; then
    [ "$status" -ne 0 ] || { echo "$output"; echo "FAIL: a required corpus was missing and the tests passed"; exit 1; }
else
    [ "$status" -eq 0 ] && [ "${skipped:-0}" -eq "$ran" ] ||
        { echo "$output"; echo "FAIL: expected $ran skipped tests, exit 0 (got $skipped, $status)"; exit 1; }
fi
echo "$ran corpus tests without the corpus: $([ "$require" = 1 ] && echo failed || echo skipped), as configured"
