#!/usr/bin/env bash
# The whole sound path of the real intro: under Xvfb, with SDL's disk audio driver paced in
# real time (one buffer's worth of sleep per callback), the intro answers "No" to the
# start-up question, plays for more than six seconds and ends on Escape with exit code 0.
# The first five seconds of what the device was given must then equal, byte for byte, the
# offline render of the embedded module by xm2wav: pre-fill, device looping, refills by the
# mixing thread, no gap and no stutter.
# Usage: bash audio_first_seconds.sh INTRO_BINARY BUILD_DIR SOURCE_DIR
# Exit: 0 pass, 1 fail, 77 skipped (no Xvfb or xdotool).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib/session.sh"

e2e_intro_arguments "$@"
build_dir=$(realpath "$2")

e2e_require_tools xvfb-run xdotool xwininfo python3

module="$build_dir/assets/embedded.xm"
xm2wav="$build_dir/bin/xm2wav"
for needed in "$intro" "$module" "$xm2wav"; do
  if [ ! -e "$needed" ]; then
    echo "FAIL: $needed is missing (build the intro, the assets and xm2wav first)"
    exit 1
  fi
done

# Five seconds of 16-bit stereo at 44100 Hz.
compare_bytes=$((5 * 44100 * 4))
play_seconds=7

# ---- Outside: start the virtual display, then compare ----------------------------------
if ! e2e_inside_xvfb; then
  e2e_make_work
  work=$E2E_WORK
  e2e_run_in_xvfb 120 "$0" "$@"
  status=$?
  [ $status -eq 0 ] || exit $status
  # The reference: the same module rendered offline.
  if ! "$xm2wav" --seconds 5 "$module" "$work/reference.wav" >"$work/xm2wav.log" 2>&1; then
    echo "FAIL: xm2wav could not render the module"
    cat "$work/xm2wav.log"
    exit 1
  fi
  python3 - "$work/reference.wav" "$work/reference.raw" <<'PY' || exit 1
import struct, sys
data = open(sys.argv[1], "rb").read()
if data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
    sys.exit("FAIL: the reference is not a RIFF WAVE file")
at = 12
while at + 8 <= len(data):
    kind, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
    if kind == b"data":
        open(sys.argv[2], "wb").write(data[at + 8:at + 8 + size])
        sys.exit(0)
    at += 8 + size + (size & 1)
sys.exit("FAIL: the reference has no data chunk")
PY
  # Between waveOutOpen and waveOutWrite the device is open but has nothing to play: it
  # plays silence while the ring is pre-filled. The music starts at the first non-zero
  # byte, as far into the capture as the reference's first non-zero byte is into it.
  python3 - "$work/captured.raw" "$work/reference.raw" "$compare_bytes" <<'PY' || exit 1
import os, sys
captured = open(sys.argv[1], "rb").read() if os.path.exists(sys.argv[1]) else b""
reference = open(sys.argv[2], "rb").read()
length = int(sys.argv[3])
print("captured %d bytes, reference %d bytes" % (len(captured), len(reference)))
if len(reference) < length:
    sys.exit("FAIL: the reference holds less than five seconds")
def first_sound(data):
    return len(data) - len(data.lstrip(b"\0"))
start = first_sound(captured) - first_sound(reference[:length])
if start < 0 or start % 4:
    sys.exit("FAIL: the capture does not start with the reference's first sound")
print("silence before the ring started: %d bytes (%.1f ms)" % (start, start / 176.4))
played = captured[start:start + length]
if len(played) < length:
    sys.exit("FAIL: the intro played only %d bytes of music, less than five seconds" % len(played))
if played != reference[:length]:
    at = next(i for i in range(length) if played[i] != reference[i])
    sys.exit("FAIL: the first five seconds differ from the offline render from byte %d "
             "(frame %d, block %d of the ring)" % (at, at // 4, (at // 4) // 884))
PY
  echo "PASS: the first $compare_bytes bytes played equal the offline render"
  exit 0
fi

# ---- Inside the virtual display: run the intro ------------------------------------------
# SDL_DISKAUDIODELAY unset: the disk driver sleeps one buffer's duration per callback, so
# the device consumes the ring in real time and the mixing thread must keep up.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_WORK/captured.raw" e2e_start_intro "$intro"
window=$(e2e_answer_no) || e2e_fail_once "no intro window after answering No"
sleep "$play_seconds"
e2e_end_with_escape "$window"
exit 0
