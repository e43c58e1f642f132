#!/bin/bash
# capture from the command line: wrong arguments are refused before anything is written, a
# failure names the file, and neither a failure nor a signal leaves a file behind or touches
# an existing one. Called as: bash SCRIPT CAPTURE_BINARY.
set -u
source "$(dirname "$0")/../e2e/lib/checks.sh"
CAPTURE=$(realpath "$1")
e2e_start_checks
cd "$WORK" || exit 1

# Refusals: exit 2, one reason naming what is wrong, the pointer to --help, nothing written.
for arguments in "out.avi" "out.mkv --fps 0" "out.mkv --fps 61/0" "out.mkv --size 801x600" \
                 "out.mkv --size 800" "out.mkv --seconds -1" "out.mkv --seconds" "out.mkv --loud" \
                 "out.mkv --gain -49" "out.mkv out.mp4" ""; do
    # shellcheck disable=SC2086
    "$CAPTURE" $arguments 2>err
    status=$?
    [ $status -eq 2 ] || fail "'$arguments': exit status $status"
    [ "$(sed -n 2p err)" = "Try 'capture --help' for more information." ] && [ "$(wc -l <err)" -eq 2 ] &&
        grep -q "^capture: [^:]*: " err || fail "'$arguments': not one reason and the pointer: $(cat err)"
done
"$CAPTURE" --help >help 2>err && [ ! -s err ] || fail "--help: exit status or standard error"
for option in -h --help -V --version -f --force -t --seconds --fps --size --gain; do
    grep -q -- "$option[ ,]" help || fail "--help does not explain $option"
done
"$CAPTURE" --version | grep -qE '^capture [0-9]+\.[0-9]+' || fail "--version"
rm -f help
[ -z "$(ls -A | grep -v '^err$')" ] || fail "refusals left files: $(ls -A)"

# A folder that does not exist: exit 1, one line naming the file.
"$CAPTURE" missing/out.mkv --seconds 0.1 2>err
status=$?
[ $status -eq 1 ] || fail "missing folder: exit status $status"
grep -q "missing/out.mkv" err || fail "missing folder: message does not name the file: $(cat err)"

# SIGTERM while writing: the process ends by the signal, the temporary file is gone and the
# old file is still there, unchanged.
echo "an older video" >old.mp4
# Without --force an existing file is refused and left as it was.
"$CAPTURE" old.mp4 --seconds 0.5 2>err
status=$?
[ $status -eq 1 ] || fail "existing file without --force: exit status $status"
grep -q "old.mp4" err || fail "existing file: the refusal does not name the file: $(cat err)"
[ "$(cat old.mp4)" = "an older video" ] || fail "an existing file was touched without --force"
"$CAPTURE" -f old.mp4 --seconds 120 2>/dev/null &
pid=$!
for _ in $(seq 1 200); do
    compgen -G "old.mp4.partial-*" >/dev/null && break
    sleep 0.05
done
compgen -G "old.mp4.partial-*" >/dev/null || fail "no temporary file while writing"
sleep 0.5
kill -TERM $pid
wait $pid
status=$?
[ $status -eq 143 ] || fail "SIGTERM: exit status $status (expected 143)"
compgen -G "old.mp4.partial-*" >/dev/null && fail "SIGTERM left the temporary file: $(ls)"
[ "$(cat old.mp4)" = "an older video" ] || fail "SIGTERM changed the existing file"

# A short capture replaces the old file, with nothing left beside it.
"$CAPTURE" --force old.mp4 --seconds 0.5 2>err || fail "short capture: exit status $?"
[ -s err ] && fail "stderr not empty when not a terminal: $(cat err)"
[ "$(head -c 8 old.mp4 | tail -c 4)" = "ftyp" ] || fail "the new file is not an MP4 file"
[ "$(ls -A | grep -v '^err$')" = "old.mp4" ] || fail "files beside the video: $(ls -A)"

# Standard output takes the lossless file written straight through; an .mp4 is refused there.
"$CAPTURE" - --seconds 0.5 2>err | head -c 4 | od -An -tx1 | grep -q "1a 45 df a3" ||
    fail "the lossless file to standard output is not Matroska: $(cat err)"
mkfifo pipe.mp4
"$CAPTURE" pipe.mp4 --seconds 0.5 2>err &
pid=$!
cat pipe.mp4 >/dev/null
wait $pid
status=$?
[ $status -eq 1 ] || fail "an .mp4 into a FIFO: exit status $status"
grep -q "regular file" err || fail "an .mp4 into a FIFO: no reason given: $(cat err)"

[ $failures -eq 0 ] && echo "capture command line: all checks passed"
exit $((failures > 0))
