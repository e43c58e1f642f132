#!/usr/bin/env bash
# The intro's music through the real waveOut: intro.exe runs under Wine with ALSA's default
# device replaced by a file (no sound card needed), for a few seconds, windowed; the bytes
# the device played must be the embedded module's PCM as the Linux xm2wav renders it, from
# the start: at least the first 2.5 s, more than the 2 s output ring, so the mixing thread's
# first refills count too. The device here plays faster than real time, so the length that
# agrees beyond that is printed, not required.
# Usage: bash intro_audio_under_wine.sh WINDOWS_BUILD WINEPREFIX LINUX_XM2WAV EMBEDDED_XM
# Exit: 0 pass, 1 fail, 77 skipped.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/lib/session.sh"
WINDOWS_BUILD=$(realpath "$1")
export WINEPREFIX=$(realpath -m "$2")
linux_xm2wav=$(realpath "$3")
embedded=$(realpath "$4")
source "$here/wine_env.sh"

e2e_require_tools wine xvfb-run xdotool xwininfo python3

e2e_inside_xvfb || e2e_rerun_in_xvfb 120 "$0" "$@"

# ---- Inside the virtual display ----------------------------------------------------------
work=$E2E_WORK
# ALSA reads ~/.asoundrc: a home of our own whose default device writes raw PCM to a file.
mkdir -p "$work/home"
cat >"$work/home/.asoundrc" <<ASOUND
pcm.!default {
  type file
  slave.pcm "null"
  file "$work/played.raw"
  format "raw"
}
ASOUND

e2e_before_fail() { wineserver -k 2>/dev/null; }
HOME="$work/home" wine "$WINDOWS_BUILD/intro.exe" 2>"$work/wine.log" &
e2e_pid=$!

# "n" presses the box's No button: run in a window.
window=$(e2e_answer_no n) || e2e_fail "no intro window after answering No"
sleep 4
e2e_end_with_escape "$window"
wineserver -w

"$linux_xm2wav" "$embedded" "$work/expected.wav" --seconds 60 || e2e_fail "Linux xm2wav"
python3 - "$work/played.raw" "$work/expected.wav" <<'PY' || e2e_fail "the device did not play the player's PCM"
import sys
played = open(sys.argv[1], "rb").read()
expected = open(sys.argv[2], "rb").read()[44:]
bytes_per_second = 44100 * 4
needed = int(2.5 * bytes_per_second)
same = 0
limit = min(len(played), len(expected))
while same < limit and played[same] == expected[same]:
    same += 1
print("played %.2f s; the first %.2f s are the player's PCM byte for byte"
      % (len(played) / bytes_per_second, same / bytes_per_second))
sys.exit(0 if same >= needed else 1)
PY
echo "PASS: waveOut played the embedded module's PCM"
exit 0
