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
WINDOWS_BUILD=$(realpath "$1")
export WINEPREFIX=$(realpath -m "$2")
linux_xm2wav=$(realpath "$3")
embedded=$(realpath "$4")
source "$here/wine_env.sh"

for tool in wine xvfb-run xdotool xwininfo python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is missing"; exit 77; }
done

if [ "${WINE_AUDIO_INSIDE_XVFB:-}" != 1 ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  WINE_AUDIO_INSIDE_XVFB=1 WINE_AUDIO_WORK="$work" \
    timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
  exit $?
fi

# ---- Inside the virtual display ----------------------------------------------------------
work=$WINE_AUDIO_WORK
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

window_named() {
  xwininfo -root -tree 2>/dev/null | awk -v name="\"$1\":" '$2 == name { print $1; exit }'
}
wait_for_window() {
  local deadline=$((SECONDS + $2)) id
  while [ $SECONDS -lt $deadline ]; do
    id=$(window_named "$1")
    if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable"; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

HOME="$work/home" wine "$WINDOWS_BUILD/intro.exe" 2>"$work/wine.log" &
pid=$!
fail() {
  echo "FAIL: $1"
  kill "$pid" 2>/dev/null
  wineserver -k 2>/dev/null
  wait "$pid" 2>/dev/null
  exit 1
}

question=$(wait_for_window "Orvanthe" 60) || fail "the start-up question never appeared"
xdotool windowfocus --sync "$question" key n 2>/dev/null || xdotool windowfocus "$question" key n
window=$(wait_for_window "Vestrel" 30) || fail "the intro window never appeared"
sleep 4
xdotool windowfocus "$window" key Escape
for _ in $(seq 1 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
kill -0 "$pid" 2>/dev/null && fail "the intro did not end on Escape"
wait "$pid" || fail "the intro exited with code $?"
wineserver -w

"$linux_xm2wav" "$embedded" "$work/expected.wav" --seconds 60 || fail "Linux xm2wav"
python3 - "$work/played.raw" "$work/expected.wav" <<'PY' || fail "the device did not play the player's PCM"
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
