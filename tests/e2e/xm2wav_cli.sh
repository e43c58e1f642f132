#!/bin/bash
# xm2wav from the command line: fixed-length and whole-song renders, standard output, refusal
# of files that are not XM modules, every option with its bad values, and the warnings on
# damaged modules. Called as: bash SCRIPT INTRO BUILD_DIR SOURCE_DIR.
set -u
source "$(dirname "$0")/lib/checks.sh"
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

e2e_start_checks

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

# Fixed length: exactly 2 × 44100 frames; standard error holds the module's warning (118 bytes
# after its last sample) and the closing line, nothing else when it is not a terminal.
"$XM2WAV" "$SONG" "$WORK/two.wav" --seconds 2 2>"$WORK/err" || fail "--seconds 2 exit status $?"
[ "$(wav_info "$WORK/two.wav")" = "2 44100 16 88200" ] || fail "--seconds 2 header: $(wav_info "$WORK/two.wav")"
printf '%s\n' "xm2wav: $SONG: warning: file ends 118 bytes after the last sample" \
    "xm2wav: $WORK/two.wav: 0:02.000 (88,200 frames), 0 clipped samples, peak -5.8 dBFS" |
    cmp -s - "$WORK/err" || fail "standard error: $(cat "$WORK/err")"
"$XM2WAV" -q "$SONG" "$WORK/quiet.wav" --seconds 2 2>"$WORK/err"
grep -qv warning "$WORK/err" && fail "--quiet still prints: $(cat "$WORK/err")"

# Standard output gives the same bytes.
"$XM2WAV" "$SONG" - --seconds 2 >"$WORK/two_stdout.wav" 2>/dev/null || fail "stdout exit status"
cmp -s "$WORK/two.wav" "$WORK/two_stdout.wav" || fail "stdout bytes differ from the file's"

# Whole song: stops on its own, well before the 30-minute cap; stdout agrees.
"$XM2WAV" -q "$SONG" "$WORK/song.wav" 2>/dev/null || fail "whole song exit status"
frames=$(wav_info "$WORK/song.wav" | cut -d' ' -f4)
if [ -z "$frames" ] || [ "$frames" -lt $((10 * 44100)) ] || [ "$frames" -gt $((60 * 44100)) ]; then
    fail "whole song length $frames frames"
fi
"$XM2WAV" -q "$SONG" - >"$WORK/song_stdout.wav" 2>/dev/null || fail "whole song stdout exit status"
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

# ---- Options ---------------------------------------------------------------------------
# Help on standard output, exit 0, every option explained; the version; = and -- forms.
"$XM2WAV" --help >"$WORK/help" 2>"$WORK/err" || fail "--help exit status $?"
for option in -h --help -V --version -i --info -l --loops -t --seconds --fade --gain -s \
    --start-order -m --mute --solo -f --force --strict -q --quiet; do
    grep -q -- "$option[ ,]" "$WORK/help" || fail "--help does not explain $option"
done
[ -s "$WORK/err" ] && fail "--help wrote to standard error"
"$XM2WAV" -h | cmp -s - "$WORK/help" || fail "-h differs from --help"
"$XM2WAV" --version | grep -qE '^xm2wav [0-9]+\.[0-9]+' || fail "--version"
"$XM2WAV" -q --seconds=1 "$SONG" "$WORK/eq.wav" 2>/dev/null || fail "--seconds=1 refused"
"$XM2WAV" -q -t 1 -- "$SONG" "$WORK/dash.wav" 2>/dev/null || fail "-- refused"
cmp -s "$WORK/eq.wav" "$WORK/dash.wav" || fail "--seconds=1 and -t 1 differ"
# Bad values and usage: exit 2, one line naming the option and the value, then the hint.
bad_usage() {
    "$XM2WAV" "$@" 2>"$WORK/err" >/dev/null
    local status=$?
    [ $status -eq 2 ] || fail "$* : exit status $status, expected 2"
    grep -q -- "^xm2wav: $expected" "$WORK/err" || fail "$* : message '$(cat "$WORK/err")' lacks '$expected'"
}
expected="--seconds: 'abc' is not a number" bad_usage --seconds abc "$SONG" "$WORK/x.wav"
expected="--seconds: '-1' is out of range" bad_usage --seconds=-1 "$SONG" "$WORK/x.wav"
expected="--loops: '0' is out of range" bad_usage -l 0 "$SONG" "$WORK/x.wav"
expected="--loops: not with --seconds" bad_usage -l 2 -t 1 "$SONG" "$WORK/x.wav"
expected="--seconds: '24348' is out of range (0 to 24347 seconds, the most a WAV file holds)" \
    bad_usage -t 24348 "$SONG" "$WORK/x.wav"
expected="--gain: '25' is out of range (-48 to 24 dB)" bad_usage --gain 25 "$SONG" "$WORK/x.wav"
expected="--mute: '2-1': the range 2-1 is reversed (write 1-2)" bad_usage -m 2-1 "$SONG" "$WORK/x.wav"
expected="--mute: 'x' is not a list" bad_usage --mute x "$SONG" "$WORK/x.wav"
expected="--solo: 'x' is not a list" bad_usage --solo=x "$SONG" "$WORK/x.wav"
expected="--mute: channel 9: the module has" bad_usage --mute 9 "$SONG" "$WORK/x.wav"
expected="--start-order: 200: the song has" bad_usage -s 200 "$SONG" "$WORK/x.wav"
expected="--fade: 'y' is not a number" bad_usage --fade y "$SONG" "$WORK/x.wav"
expected="--bogus: unknown option" bad_usage --bogus "$SONG" "$WORK/x.wav"
expected="--seconds: needs a value" bad_usage "$SONG" "$WORK/x.wav" --seconds
expected="missing files" bad_usage "$SONG"
[ -e "$WORK/x.wav" ] && fail "a refused command line wrote its output"

# --info: the song's facts and its length, exactly the whole-song render's.
"$XM2WAV" -i "$SONG" >"$WORK/info" 2>/dev/null || fail "--info exit status"
for field in title tracker channels orders patterns instruments frequencies speed length; do
    grep -q "^$field:" "$WORK/info" || fail "--info lacks $field"
done
grep -q "^length: .* $frames frames)" "$WORK/info" ||
    fail "--info length is not the render's $frames frames: $(grep length "$WORK/info")"
# One length, rounded once: m:ss.mmm and the seconds agree to the millisecond.
grep -qE '^length: +0:17\.833 \(17\.833 s,' "$WORK/info" || fail "--info length: $(grep length "$WORK/info")"
# The instrument and sample names, in the module's order; a name's unprintable bytes as '?'.
printf '%s\n' "  instrument   1:            lead" "  instrument   1 sample  1:  lead" \
    "  instrument   2:            bass" "  instrument   2 sample  1:  bass" |
    cmp -s - <(grep '^  instrument' "$WORK/info") || fail "--info names: $(grep '^  instrument' "$WORK/info")"
python3 - "$SONG" "$WORK/named.xm" <<'PY'
import struct, sys
d = bytearray(open(sys.argv[1], 'rb').read())
header_size, = struct.unpack_from('<I', d, 60)
patterns, = struct.unpack_from('<H', d, 70)
p = 60 + header_size
for _ in range(patterns):
    length, = struct.unpack_from("<I", d, p)
    packed, = struct.unpack_from('<H', d, p + 7)
    p += length + packed
d[p + 4:p + 26] = b"\x1b[2Jx\x07\xff" + bytes(15)  # an escape sequence, a bell, a high byte
open(sys.argv[2], 'wb').write(d)
PY
"$XM2WAV" -i "$WORK/named.xm" 2>/dev/null | grep -qx "  instrument   1:            ?\[2Jx??" ||
    fail "unprintable name: $("$XM2WAV" -i "$WORK/named.xm" 2>/dev/null | grep -a 'instrument   1:')"

# --loops 2: the first pass byte for byte, then the second without a gap.
"$XM2WAV" -q -l 2 "$SONG" "$WORK/twice.wav" 2>/dev/null || fail "--loops 2 exit status"
twice=$(wav_info "$WORK/twice.wav" | cut -d' ' -f4)
[ "$twice" -gt $((frames * 3 / 2)) ] && [ "$twice" -le $((frames * 2)) ] ||
    fail "--loops 2 length $twice frames for a pass of $frames"
cmp -s <(tail -c +45 "$WORK/song.wav") <(tail -c +45 "$WORK/twice.wav" | head -c $((frames * 4))) ||
    fail "--loops 2 does not begin with the single pass"

# --fade: the player's bytes up to the fade, then down to silence at the last frame.
"$XM2WAV" -q -t 2 --fade 0.5 "$SONG" "$WORK/fade.wav" 2>/dev/null || fail "--fade exit status"
cmp -s -n $((44 + 66150 * 4)) "$WORK/fade.wav" "$WORK/two.wav" || fail "--fade changed what precedes it"
[ "$(tail -c 4 "$WORK/fade.wav" | od -An -tx1 | tr -d ' \n')" = 00000000 ] || fail "--fade: last frame not silent"
cmp -s "$WORK/fade.wav" "$WORK/two.wav" && fail "--fade changed nothing"

# --gain: 0 dB is the player's own bytes; -6 dB halves the RMS (10^(-6/20) = 0.501).
"$XM2WAV" -q -t 2 --gain 0 "$SONG" "$WORK/gain0.wav" 2>/dev/null
cmp -s "$WORK/gain0.wav" "$WORK/two.wav" || fail "--gain 0 changed the PCM"
"$XM2WAV" -q -t 2 --gain -6 "$SONG" "$WORK/gain6.wav" 2>/dev/null
python3 - "$WORK/two.wav" "$WORK/gain6.wav" <<'PY' || fail "--gain -6 does not halve the RMS"
import array, math, sys
def rms(path):
    pcm = array.array('h', open(path, 'rb').read()[44:])
    return math.sqrt(sum(v * v for v in pcm) / len(pcm))
ratio = rms(sys.argv[2]) / rms(sys.argv[1])
sys.exit(0 if abs(ratio - 10 ** (-6 / 20)) < 0.002 else "RMS ratio %.4f" % ratio)
PY
# A song that clips: the closing line names the gain that avoids it, and that gain does.
CRUSH="$CORPUS/songs/drozerix_-_crush.xm"
"$XM2WAV" -t 20 "$CRUSH" "$WORK/crush.wav" 2>"$WORK/err"
gain=$(sed -n 's/.* clipped samples, .*(--gain \(-[0-9.]*\) avoids clipping)$/\1/p' "$WORK/err")
if [ -z "$gain" ]; then
    fail "no gain suggested for a render that clips: $(cat "$WORK/err")"
else
    "$XM2WAV" -t 20 -f --gain "$gain" "$CRUSH" "$WORK/crush.wav" 2>"$WORK/err"
    grep -q ", 0 clipped samples," "$WORK/err" || fail "--gain $gain still clips: $(cat "$WORK/err")"
fi

# Allowed but surely not meant: said in one line, and the render goes on.
"$XM2WAV" -t 1 --solo 1 -m 1 "$SONG" "$WORK/none.wav" 2>"$WORK/err" || fail "--solo 1 -m 1 refused"
grep -qx "xm2wav: $SONG: warning: --solo and --mute leave no channel to hear: the song is silent" "$WORK/err" ||
    fail "no channel heard, not said: $(cat "$WORK/err")"
"$XM2WAV" -t 1 --fade 3 "$SONG" "$WORK/long_fade.wav" 2>"$WORK/err" || fail "--fade 3 -t 1 refused"
grep -qx "xm2wav: --fade: warning: 0:03.000 is longer than the render (0:01.000): the whole render fades" "$WORK/err" ||
    fail "a fade longer than the render, not said: $(cat "$WORK/err")"

# --solo with every channel is the song itself; --mute with every channel is silence.
channels=$(awk '/^channels:/ {print $2}' "$WORK/info")
"$XM2WAV" -q -t 2 --solo "1-$channels" "$SONG" "$WORK/solo_all.wav" 2>/dev/null
cmp -s "$WORK/solo_all.wav" "$WORK/two.wav" || fail "--solo of every channel changed the PCM"
"$XM2WAV" -q -t 2 -m "1-$channels" "$SONG" "$WORK/mute_all.wav" 2>/dev/null
[ "$(tail -c +45 "$WORK/mute_all.wav" | tr -d '\0' | wc -c)" -eq 0 ] || fail "--mute of every channel is not silent"
"$XM2WAV" -q -t 2 -m 1 "$SONG" "$WORK/mute_one.wav" 2>/dev/null
cmp -s "$WORK/mute_one.wav" "$WORK/two.wav" && fail "--mute 1 changed nothing"

# --start-order: a later start makes a shorter whole-song render that still ends exactly.
last=$(( $(awk '/^orders:/ {print $2}' "$WORK/info") - 1 ))
"$XM2WAV" -q -s "$last" "$SONG" "$WORK/last.wav" 2>/dev/null || fail "--start-order exit status"
from_last=$(wav_info "$WORK/last.wav" | cut -d' ' -f4)
[ "$from_last" -gt 0 ] && [ "$from_last" -lt "$frames" ] || fail "--start-order $last: $from_last frames"

# ---- Damaged modules ---------------------------------------------------------------------
LOADER="$CORPUS/songs/drozerix_-_bit_loader.xm"
head -c 3000 "$LOADER" >"$WORK/cut.xm"
"$XM2WAV" -q "$WORK/cut.xm" "$WORK/cut.wav" 2>"$WORK/err" || fail "a truncated module is not rendered"
printf '%s\n' "xm2wav: $WORK/cut.xm: warning: pattern 6 cut to 36 rows (of 64)" \
    "xm2wav: $WORK/cut.xm: warning: patterns 7 to 22 missing: the file ends before (played as empty)" \
    "xm2wav: $WORK/cut.xm: warning: instruments 1 to 4 missing: the file ends before (silent)" |
    cmp -s - "$WORK/err" || fail "truncated module warnings: $(cat "$WORK/err")"
head -c 16000 "$LOADER" >"$WORK/short.xm"
"$XM2WAV" -q -t 1 "$WORK/short.xm" "$WORK/short.wav" 2>"$WORK/err"
grep -qx "xm2wav: $WORK/short.xm: warning: sample data of instrument 4 sample 1 cut by 110 bytes" "$WORK/err" ||
    fail "cut sample data: $(cat "$WORK/err")"
"$XM2WAV" --strict "$WORK/cut.xm" "$WORK/strict.wav" 2>"$WORK/err"
[ $? -eq 1 ] || fail "--strict does not refuse a damaged module"
[ -e "$WORK/strict.wav" ] && fail "--strict wrote its output"
ls "$WORK" | grep -q partial && fail "--strict left a temporary file"
"$XM2WAV" --strict -q -t 1 "$LOADER" "$WORK/whole.wav" 2>"$WORK/err" || fail "--strict refuses a sound module"
[ -s "$WORK/err" ] && fail "a sound module has warnings: $(cat "$WORK/err")"
# A file that ends inside the song header: refused in one line, exit 1, rendered or asked
# for --info alike.
for length in 17 60 335; do
    head -c $length "$LOADER" >"$WORK/header_cut.xm"
    said="xm2wav: $WORK/header_cut.xm: too short for an XM module: the file ends inside the song header ($((336 - length)) of its 336 bytes missing)"
    "$XM2WAV" "$WORK/header_cut.xm" "$WORK/out/header_cut.wav" 2>"$WORK/err"
    status=$?
    [ $status -eq 1 ] && [ "$(cat "$WORK/err")" = "$said" ] ||
        fail "cut to $length bytes: exit status $status: $(cat "$WORK/err")"
    "$XM2WAV" -i "$WORK/header_cut.xm" 2>"$WORK/err" >/dev/null
    status=$?
    [ $status -eq 1 ] && [ "$(cat "$WORK/err")" = "$said" ] ||
        fail "cut to $length bytes, --info: exit status $status: $(cat "$WORK/err")"
done
[ -z "$(ls -A "$WORK/out")" ] || fail "files left behind after a header cut: $(ls -A "$WORK/out")"
# Random damage to real modules, rendered and asked for --info: refused (1) or played (0),
# never a usage error, never a crash.
for seed in $(seq 1 12); do
    python3 - "$LOADER" "$WORK/damaged.xm" "$seed" <<'PY'
import random, sys
d = bytearray(open(sys.argv[1], 'rb').read())
rng = random.Random(int(sys.argv[3]))
for _ in range(rng.randint(1, 40)):
    d[rng.randrange(17, len(d))] = rng.randrange(256)
if rng.random() < 0.4:
    del d[rng.randrange(17, len(d)):]
open(sys.argv[2], 'wb').write(d)
PY
    "$XM2WAV" -q -t 0.5 "$WORK/damaged.xm" "$WORK/damaged.wav" -f 2>"$WORK/err"
    status=$?
    [ $status -le 1 ] || fail "damaged module (seed $seed): exit status $status: $(cat "$WORK/err")"
    "$XM2WAV" -i "$WORK/damaged.xm" >/dev/null 2>"$WORK/err"
    status=$?
    [ $status -le 1 ] || fail "damaged module --info (seed $seed): exit status $status: $(cat "$WORK/err")"
done
# A large file that is no module, and one with the right start but too large: refused from
# their first bytes and their size.
truncate -s 100M "$WORK/huge.xm"
"$XM2WAV" "$WORK/huge.xm" "$WORK/huge.wav" 2>"$WORK/err"
[ $? -eq 1 ] && grep -q "not an XM module" "$WORK/err" || fail "large non-module: $(cat "$WORK/err")"
truncate -s 300M "$WORK/huge.xm"
printf 'Extended Module: ' | dd of="$WORK/huge.xm" conv=notrunc status=none
"$XM2WAV" "$WORK/huge.xm" "$WORK/huge.wav" 2>"$WORK/err"
[ $? -eq 1 ] && grep -q "too large" "$WORK/err" || fail "huge module: $(cat "$WORK/err")"

if [ $failures -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "xm2wav command line: all checks passed"
