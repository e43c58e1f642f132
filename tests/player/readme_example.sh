#!/bin/bash
# The player's README example against xm2wav: one pass of MODULE as raw PCM must be, byte for
# byte, the PCM of xm2wav's whole-song WAV file (its data after the 44-byte header). A missing
# corpus module skips (exit 77), or fails when $INTRO_REQUIRE_CORPUS is 1.
# Called as: bash SCRIPT RENDER_PCM XM2WAV MODULE
set -u
RENDER_PCM=$1
XM2WAV=$2
MODULE=$3
if [ ! -f "$MODULE" ]; then
    echo "module not found: $MODULE"
    [ "${INTRO_REQUIRE_CORPUS:-0}" = 1 ] && exit 1
    exit 77
fi
example=$("$RENDER_PCM" "$MODULE" | sha256sum | cut -c1-64)
status=${PIPESTATUS[0]}
expected=$("$XM2WAV" -q "$MODULE" - | tail -c +45 | sha256sum | cut -c1-64)
[ "$status" -eq 0 ] || { echo "FAIL: render_pcm exited with $status"; exit 1; }
if [ "$example" != "$expected" ]; then
    echo "FAIL: $MODULE: the example's PCM (sha256 $example) is not xm2wav's ($expected)"
    exit 1
fi
echo "$MODULE: the example writes xm2wav's PCM ($expected)"
