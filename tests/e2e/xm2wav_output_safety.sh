#!/bin/bash
# xm2wav's output, case by case: nothing a user has is lost by naming it as the output. A new
# file; an existing file without and with --force (its mode kept); a read-only file; the input
# itself (also through a symbolic link); a link to a file elsewhere; a FIFO; /dev/null; a folder;
# a full device (/dev/full) and a write that fails half-way (the file size limit); SIGTERM in the
# middle of a render. Each: the right exit status, the right bytes where they belong, and no
# temporary file left behind. Called as: bash SCRIPT INTRO BUILD_DIR SOURCE_DIR.
set -u
source "$(dirname "$0")/lib/checks.sh"
BUILD_DIR=$2
XM2WAV="$BUILD_DIR/bin/xm2wav"
MODULE="$BUILD_DIR/assets/embedded.xm"
e2e_require_files "$XM2WAV" "$MODULE"

e2e_start_checks
cd "$WORK" || exit 1
# Runs xm2wav, keeping its standard error in err and its exit status in status.
run() { "$XM2WAV" "$@" 2>err; status=$?; }
expect() { [ "$status" -eq "$1" ] || fail "$2: exit status $status, expected $1 ($(cat err))"; }
one_line() { [ "$(wc -l <err)" -eq 1 ] || fail "$1: not one line: $(cat err)"; }
no_leftovers() {
    leftovers=$(find . -name '*.partial-*')
    [ -z "$leftovers" ] || fail "$1: left behind: $leftovers"
}
cp "$MODULE" in.xm
"$XM2WAV" -q -t 1 in.xm one.wav || { echo "FAIL: cannot render"; exit 1; }
"$XM2WAV" -q -t 2 in.xm two.wav

# A new file.
run -q -t 1 in.xm new.wav
expect 0 "new file"
cmp -s new.wav one.wav || fail "new file: other bytes"

# An existing file: refused in one line without --force and left as it was; replaced with it,
# keeping its mode.
cp two.wav existing.wav
chmod 640 existing.wav
run -t 1 in.xm existing.wav
expect 1 "existing file without --force"
one_line "existing file without --force"
grep -q -- "--force" err || fail "the refusal does not name --force: $(cat err)"
cmp -s existing.wav two.wav || fail "existing file touched without --force"
run -q --force -t 1 in.xm existing.wav
expect 0 "existing file with --force"
cmp -s existing.wav one.wav || fail "existing file not replaced with --force"
[ "$(stat -c %a existing.wav)" = 640 ] || fail "mode not kept: $(stat -c %a existing.wav)"

# A read-only file is never replaced, even with --force.
cp two.wav readonly.wav
chmod 444 readonly.wav
run -q -f -t 1 in.xm readonly.wav
expect 1 "read-only file"
one_line "read-only file"
cmp -s readonly.wav two.wav || fail "read-only file changed"
[ "$(stat -c %a readonly.wav)" = 444 ] || fail "read-only file's mode changed"

# The input as the output: refused, the module intact; also through a symbolic link and as
# standard output appended to the input.
cp in.xm original.xm
ln -s in.xm link_to_input.wav
for out in in.xm link_to_input.wav; do
    run -q -f -t 1 in.xm "$out"
    expect 1 "the input as $out"
    cmp -s in.xm original.xm || fail "the input changed when given as $out"
done
"$XM2WAV" -q -t 1 in.xm - >>in.xm 2>err
status=$?
expect 1 "standard output appended to the input"
cmp -s in.xm original.xm || fail "the input changed through standard output"

# A symbolic link to a file in another folder: the link stays, its target gets the WAV.
mkdir elsewhere
ln -s elsewhere/target.wav link.wav
run -q -t 1 in.xm link.wav
expect 0 "link to a new file"
[ -L link.wav ] || fail "the link was replaced"
cmp -s elsewhere/target.wav one.wav || fail "the link's target did not get the WAV"

# A FIFO: written directly to its reader, still a FIFO afterwards; the header holds the length.
mkfifo pipe.wav
cat pipe.wav >from_pipe.wav &
reader=$!
run -q -t 1 in.xm pipe.wav
wait $reader
expect 0 "FIFO"
[ -p pipe.wav ] || fail "the FIFO was replaced by a file"
cmp -s from_pipe.wav one.wav || fail "the FIFO's reader got other bytes"

# /dev/null: written, not replaced.
run -q -t 1 in.xm /dev/null
expect 0 "/dev/null"
[ -c /dev/null ] || fail "/dev/null is no longer a character device"

# A folder is refused.
run -q -t 1 in.xm elsewhere
expect 1 "a folder"

# A full device: the error is said, exit 1.
run -q -t 1 in.xm /dev/full
expect 1 "/dev/full"
grep -q "No space left" err || fail "/dev/full: the error does not say why: $(cat err)"

# A write failing half-way into a regular file (the file size limit, its signal ignored):
# exit 1, the reason said, the unfinished file removed, an existing file kept.
cp two.wav kept.wav
(ulimit -f 64; trap '' XFSZ; "$XM2WAV" -q -f -t 3 in.xm kept.wav 2>err)
status=$?
expect 1 "write failing half-way"
grep -q "too large" err || fail "the failed write is not said: $(cat err)"
cmp -s kept.wav two.wav || fail "the file to be replaced was lost by a failed write"
no_leftovers "failed write"

# SIGTERM in the middle of a long render: the program ends by the signal, the file it was
# to replace is intact and the temporary file is gone.
cp two.wav victim.wav
"$XM2WAV" -q -f -t 3000 in.xm victim.wav 2>err &
render=$!
for _ in $(seq 100); do
    [ -n "$(find . -name 'victim.wav.partial-*' -size +100k)" ] && break
    sleep 0.05
done
kill -TERM $render
wait $render
status=$?
expect 143 "SIGTERM"
cmp -s victim.wav two.wav || fail "SIGTERM: the file to be replaced changed"
no_leftovers "SIGTERM"

no_leftovers "the end"
if [ $failures -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "xm2wav output cases: all checks passed"
