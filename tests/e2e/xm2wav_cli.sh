#!/bin/bash
# xm2wav from the command line: fixed-length and whole-song renders, standard output, and
# refusal of files that are not XM modules. Called as: bash SCRIPT INTRO BUILD_DIR SOURCE_DIR.
set -u
BUILD_DIR=$2
SOURCE_DIR=$3
XM2WAV="$BUILD_DIR/bin/xm2wav"
CORPUS=${INTRO_CORPUS_DIR:-$SOURCE_DIR/../shared/corpus}
SONG="$CORPUS/songs/lachesis_-_villgust.xm"
[ -x "$XM2WAV" ] || { echo "xm2wav not built"; exit 1; }
if [ ! -f "$SONG" ]; then
    echo "corpus song missing under INTRO_CORPUS_DIR=$CORPUS"
    [ "${INTRO_REQUIRE_CORPUS:-0}" = 1 ] && exit 1
    exit 77
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Reads a WAV header and prints: channels rate bits frames (data bytes / 4).
wav_info() {
    python3 - "$1" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
assert d[0:4] == b'RIFF' and d[8:16] == b'WAVEfmt ' and d[36:40] == b'data', 'bad header'
riff, = struct.unpack_from('<I', d, 4)
fmt, ch, rate, byte_rate, align, bits = struct.unpack_from('<HHIIHH', d, 20)
data, = struct.unpack_from('<I', d, 40)
assert fmt == 1 and riff == 36 + data and len(d) == 44 + data, 'sizes disagree'
assert byte_rate == rate * 4 and align == 4, 'bad rates'
print(ch, rate, bits, data // 4)
PY
}

# Fixed length: exactly 2 × 44100 frames.
"$XM2WAV" "$SONG" "$WORK/two.wav" --seconds 2 2>"$WORK/err" || fail "--seconds 2 exit status $?"
[ "$(wav_info "$WORK/two.wav")" = "2 44100 16 88200" ] || fail "--seconds 2 header: $(wav_info "$WORK/two.wav")"
[ -s "$WORK/err" ] && fail "stderr not empty when not a terminal: $(cat "$WORK/err")"

# Standard output gives the same bytes.
"$XM2WAV" "$SONG" - --seconds 2 >"$WORK/two_stdout.wav" || fail "stdout exit status"
cmp -s "$WORK/two.wav" "$WORK/two_stdout.wav" || fail "stdout bytes differ from the file's"

# Whole song: stops on its own, well before the 30-minute cap; stdout agrees.
"$XM2WAV" "$SONG" "$WORK/song.wav" || fail "whole song exit status"
frames=$(wav_info "$WORK/song.wav" | cut -d' ' -f4)
if [ -z "$frames" ] || [ "$frames" -lt $((10 * 44100)) ] || [ "$frames" -gt $((60 * 44100)) ]; then
    fail "whole song length $frames frames"
fi
"$XM2WAV" "$SONG" - >"$WORK/song_stdout.wav" || fail "whole song stdout exit status"
cmp -s "$WORK/song.wav" "$WORK/song_stdout.wav" || fail "whole song stdout differs"
# The fixed-length render is the start of the whole-song render.
cmp -s -n $((88200 * 4)) <(tail -c +45 "$WORK/two.wav") <(tail -c +45 "$WORK/song.wav") ||
    fail "fixed-length PCM is not the start of the whole song"

# Not a module: exit 1, one line naming the file, no output and no temporary file left.
mkdir "$WORK/out"
printf 'RIFF this is not a module at all' >"$WORK/not.xm"
"$XM2WAV" "$WORK/not.xm" "$WORK/out/not.wav" 2>"$WORK/err"
status=$?
[ $status -eq 1 ] || fail "non-XM exit status $status"
[ "$(wc -l <"$WORK/err")" -eq 1 ] || fail "non-XM message is not one line: $(cat "$WORK/err")"
grep -q "not.xm" "$WORK/err" || fail "message does not name the file"
[ -z "$(ls -A "$WORK/out")" ] || fail "files left behind: $(ls -A "$WORK/out")"

# A module the loader refuses (an instrument announcing 17 samples): same treatment.
python3 - "$SONG" "$WORK/bad.xm" <<'PY'
import struct, sys
d = bytearray(open(sys.argv[1], 'rb').read())
header_size, = struct.unpack_from('<I', d, 60)
channels, patterns = struct.unpack_from('<HH', d, 68)
p = 60 + header_size
for _ in range(patterns):
    length, = struct.unpack_from("<I", d, p)
    packed, = struct.unpack_from('<H', d, p + 7)
    p += length + packed
struct.pack_into('<H', d, p + 27, 17)  # the first instrument's sample count
open(sys.argv[2], 'wb').write(d)
PY
"$XM2WAV" "$WORK/bad.xm" "$WORK/out/bad.wav" 2>"$WORK/err"
status=$?
[ $status -eq 1 ] || fail "refused module exit status $status"
[ "$(wc -l <"$WORK/err")" -eq 1 ] || fail "refused module message: $(cat "$WORK/err")"
[ -z "$(ls -A "$WORK/out")" ] || fail "files left behind after refusal: $(ls -A "$WORK/out")"

# Missing input and an unwritable destination.
"$XM2WAV" "$WORK/missing.xm" "$WORK/out/x.wav" 2>/dev/null
[ $? -eq 1 ] || fail "missing input not exit 1"
"$XM2WAV" "$SONG" "$WORK/no/such/dir/x.wav" --seconds 1 2>"$WORK/err"
[ $? -eq 1 ] || fail "unwritable destination not exit 1"

if [ $failures -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "xm2wav command line: all checks passed"
