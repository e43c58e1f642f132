#!/bin/bash
# The player's output, byte for byte: renders every module listed in pcm_checksums.tsv with
# xm2wav and compares the SHA-256 of its PCM. Corpus modules are skipped (exit 77) when the
# corpus folder ($INTRO_CORPUS_DIR) is missing, or fail the test when $INTRO_REQUIRE_CORPUS is 1.
# Called as: bash SCRIPT XM2WAV EMBEDDED_XM
set -u
XM2WAV=$1
EMBEDDED=$2
CORPUS=${INTRO_CORPUS_DIR:-$(dirname "$0")/../../../shared/corpus}
LIST="$(dirname "$0")/pcm_checksums.tsv"

failures=0
checked=0
missing=0
while IFS=$'\t' read -r module seconds expected; do
    case "$module" in '#'*|'') continue ;; esac
    if [ "$module" = embedded ]; then
        path=$EMBEDDED
    else
        path="$CORPUS/$module"
    fi
    if [ ! -f "$path" ]; then
        missing=$((missing + 1))
        continue
    fi
    actual=$("$XM2WAV" "$path" - --seconds "$seconds" --gain 0 | tail -c +45 | sha256sum | cut -c1-64)
    checked=$((checked + 1))
    if [ "$actual" != "$expected" ]; then
        echo "FAIL: $module: PCM differs (sha256 $actual, recorded $expected)"
        failures=$((failures + 1))
    fi
done < "$LIST"

echo "$checked modules checked, $failures differ, $missing not found"
[ "$failures" -eq 0 ] || exit 1
if [ "$missing" -gt 0 ]; then
    echo "corpus modules not found under INTRO_CORPUS_DIR=$CORPUS"
    [ "${INTRO_REQUIRE_CORPUS:-0}" = 1 ] && exit 1
    exit 77
fi
exit 0
