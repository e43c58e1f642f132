#!/bin/bash
# xm2wav on several processes: the same bytes as on one, for each option that changes what is
# rendered (a whole song, --loops, --seconds, --fade, --mute, --solo, --start-order, --gain
# where the program has it), into a file and to standard output; and a render process killed
# in the middle: exit status 1, the reason said, no output file and no temporary file.
# Called as: bash SCRIPT INTRO BUILD_DIR SOURCE_DIR.
set -u
source "$(dirname "$0")/lib/checks.sh"
BUILD_DIR=$2
XM2WAV="$BUILD_DIR/bin/xm2wav"
MODULE="$BUILD_DIR/assets/embedded.xm"
CORPUS=${INTRO_CORPUS_DIR:-$3/../shared/corpus}
e2e_require_files "$XM2WAV" "$MODULE"

e2e_start_checks
cd "$WORK" || exit 1

# Renders with -j 1, 2 and 7 and compares the files.
same_bytes() {
    local module=$1
    shift
    for jobs in 1 2 7; do
        "$XM2WAV" -q -f -j $jobs "$@" "$module" out$jobs.wav 2>err ||
            { fail "$* -j $jobs: exit status $? ($(cat err))"; return; }
    done
    cmp -s out1.wav out2.wav || fail "$(basename "$module") $*: -j 2 differs from -j 1"
    cmp -s out1.wav out7.wav || fail "$(basename "$module") $*: -j 7 differs from -j 1"
}

same_bytes "$MODULE"
same_bytes "$MODULE" --seconds 31.7
same_bytes "$MODULE" --seconds 14 --fade 9
same_bytes "$MODULE" --seconds 12 --mute 1,3
same_bytes "$MODULE" --seconds 12 --solo 2
same_bytes "$MODULE" --seconds 12 --start-order 4
if "$XM2WAV" --help | grep -q -- --gain; then
    same_bytes "$MODULE" --seconds 12 --gain 9
fi
if [ -d "$CORPUS/songs" ]; then
    same_bytes "$CORPUS/songs/lachesis_-_villgust.xm" --loops 2
    same_bytes "$CORPUS/effects/libxmp/pattern_jump_ft2_break.xm" --loops 3
fi

# The closing line (clipped samples, peak, the gain that avoids clipping) is the same too,
# into a file and to standard output.
if "$XM2WAV" --help | grep -q -- --gain; then
    for jobs in 1 2 7; do
        "$XM2WAV" -f -j $jobs --gain 12 --seconds 12 "$MODULE" loud.wav 2>&1 |
            sed 's/^xm2wav: [^:]*: //' >line$jobs
    done
    "$XM2WAV" -j 3 --gain 12 --seconds 12 "$MODULE" - 2>&1 >/dev/null |
        sed 's/^xm2wav: [^:]*: //' >line3
    grep -q "avoids clipping" line1 || fail "--gain 12 does not clip: $(cat line1)"
    for jobs in 2 7 3; do
        cmp -s line1 line$jobs || fail "closing line with -j $jobs: $(cat line$jobs), -j 1: $(cat line1)"
    done
fi

# Standard output is written in order too.
"$XM2WAV" -q -j 3 --seconds 31.7 "$MODULE" - >stdout.wav 2>err || fail "standard output: $(cat err)"
"$XM2WAV" -q -f -j 1 --seconds 31.7 "$MODULE" one.wav
cmp -s stdout.wav one.wav || fail "standard output with -j 3 differs from -j 1"

# Wrong values are refused.
for value in 0 -2 x 100000; do
    "$XM2WAV" -q -j "$value" "$MODULE" wrong.wav 2>err
    status=$?
    [ $status -eq 2 ] || fail "-j $value: exit status $status, expected 2"
    [ -e wrong.wav ] && fail "-j $value: a file was written"
done

# A render process killed in the middle of a long render: the whole render fails and leaves
# nothing behind. Children are killed as they come (one that had just finished fails nothing)
# until the render gives up. The leak checker is off for it: at the exit it works through a
# helper process of its own, which must not be killed.
ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 \
    "$XM2WAV" -q -j 2 --seconds 3000 "$MODULE" killed.wav 2>err &
render=$!
while kill -0 $render 2>/dev/null; do
    for child in $(cat /proc/$render/task/*/children 2>/dev/null); do
        kill -KILL "$child" 2>/dev/null
    done
    sleep 0.01
done
wait $render
status=$?
[ $status -eq 1 ] || fail "killed render process: exit status $status, expected 1 ($(cat err))"
grep -q "render process" err || fail "killed render process: the reason is not said: $(cat err)"
[ -e killed.wav ] && fail "killed render process: killed.wav was left"
leftovers=$(find . -name '*.partial-*')
[ -z "$leftovers" ] || fail "killed render process: left behind: $leftovers"

if [ $failures -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "xm2wav on several processes: all checks passed"
