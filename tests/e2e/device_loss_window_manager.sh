#!/usr/bin/env bash
# Device loss on the real SDL host: under a window manager (openbox) the full-screen intro is
# minimised and restored 20 times. Each loss must go through the release of every resource,
# the device's Reset and the re-creation (seen in the platform's trace), the pager must start
# its fade (the page comes back blank) and the scene come back, the music must never stop (what
# the sound device played equals xm2wav's render of the module, byte for byte), memory must not
# grow (resident size within 1 MB from the 2nd to the 20th loss) and nothing may leak.
# Usage: bash device_loss_window_manager.sh INTRO_BINARY BUILD_DIR SOURCE_DIR
# Exit: 0 pass, 1 fail, 77 skipped (Xvfb, xdotool, openbox, import or python3 missing).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib/session.sh"
intro=$(realpath "$1")
build_dir=$(realpath "$2")
e2e_require_tools xvfb-run xdotool xwininfo openbox import python3
LOSSES=20

if ! e2e_inside_xvfb; then
  E2E_WORK=$(mktemp -d)
  trap 'rm -rf "$E2E_WORK"' EXIT
  e2e_run_in_xvfb 240 "$0" "$@" || exit $?
  # The music: what the device played, against the module rendered by xm2wav.
  played=$(stat -c %s "$E2E_WORK/audio.raw")
  [ "$played" -gt $((44100 * 4 * 10)) ] || e2e_fail "the sound device played only $played bytes"
  "$build_dir/bin/xm2wav" "$build_dir/assets/embedded.xm" "$E2E_WORK/expected.wav" \
    --seconds $((played / 44100 / 4 + 1)) || e2e_fail "xm2wav failed"
  # The device may play a little silence before the ring is handed to it (SDL starts pulling
  # when it opens); from the music's first sound on, every byte must be the render's.
  python3 - "$E2E_WORK/audio.raw" "$E2E_WORK/expected.wav" <<'PY' || e2e_fail "the music the device played differs from the module's render"
import sys
played = open(sys.argv[1], "rb").read()
expected = open(sys.argv[2], "rb").read()[44:]
def silent_bytes(pcm):
    n = len(pcm) - len(pcm.lstrip(b"\0"))
    return n - n % 4
lead = silent_bytes(played) - silent_bytes(expected)
music = played[lead:] if lead >= 0 else b""
if lead < 0 or music != expected[:len(music)]:
    sys.exit(1)
print("music: %d frames played after %d frames of silence, equal to xm2wav's render"
      % (len(music) // 4, lead // 4))
PY
  exit 0
fi

# ---- Inside the virtual display, with a window manager -----------------------------------
openbox --sm-disable >"$E2E_WORK/openbox.log" 2>&1 &
for _ in $(seq 1 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done
trace="$E2E_WORK/trace.txt"
e2e_before_fail() { grep -v '^platform: ' "$trace" | tail -n 40; }
# Under AddressSanitizer: freed memory is handed out again at once (no quarantine), so that the
# resident size shows what the intro keeps; the leak report goes to a file of its own and is
# read below (the headless scenario tests check use after free with the quarantine on).
INTRO_PLATFORM_TRACE=1 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_WORK/audio.raw" \
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1:quarantine_size_mb=0" \
  LSAN_OPTIONS="exitcode=0:log_path=$E2E_WORK/leaks" "$intro" 2>"$trace" &
e2e_pid=$!
e2e_press_in "Orvanthe" Return || e2e_fail_once "the start-up question never appeared"
window=$(e2e_wait_for_window Vestrel 30) || e2e_fail_once "no full-screen window after answering Yes"
sleep 2

# Waits up to 10 s until the trace holds $2 lines matching $1.
wait_for_trace() {
  for _ in $(seq 1 200); do
    [ "$(grep -c "$1" "$trace")" -ge "$2" ] && return 0
    sleep 0.05
  done
  return 1
}
resident_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$e2e_pid/status"; }

# The page square (around the screen's centre) holds bright text while the pager shows a
# page; right after a reset it is blank.
page_text_pixels() {
  import -window root -depth 8 "$E2E_WORK/shot.ppm" 2>/dev/null
  PYTHONPATH="$here/lib" python3 - "$E2E_WORK/shot.ppm" <<'PY'
import sys
from screenshot import Screenshot
shot = Screenshot(sys.argv[1])
bright = 0
for y in range(shot.height // 3, shot.height * 2 // 3):
    for x in range(shot.width // 3, shot.width * 2 // 3):
        r, g, b = shot.rgb(x, y)
        if min(r, g, b) > 200:
            bright += 1
print(bright)
PY
}

for loss in $(seq 1 $LOSSES); do
  xdotool windowminimize --sync "$window" 2>/dev/null || xdotool windowminimize "$window"
  wait_for_trace "device lost" "$loss" || e2e_fail "loss $loss: the device was not lost on minimising"
  sleep 0.2
  xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowactivate "$window"
  wait_for_trace "device reset" "$loss" || e2e_fail "loss $loss: the device was not reset on restoring"
  if [ "$loss" -eq 1 ]; then
    text=$(page_text_pixels)
    [ "$text" -lt 50 ] || e2e_fail "after the first reset the page still shows text ($text bright pixels)"
  fi
  sleep 0.3
  [ "$loss" -eq 2 ] && rss_start=$(resident_kb)
done
rss_end=$(resident_kb)
sleep 1.5
shot_colours=$(import -window root -depth 8 "$E2E_WORK/final.ppm" 2>/dev/null &&
  PYTHONPATH="$here/lib" python3 -c "
import sys
from screenshot import Screenshot
s = Screenshot('$E2E_WORK/final.ppm')
print(len({s.pixel(x, y) for y in range(0, s.height, 4) for x in range(0, s.width, 4)}))")
xdotool windowfocus "$window" key Escape
e2e_expect_exit "on Escape after $LOSSES losses (a leak report would fail it)"

# A leak is ours when a frame of its allocation stack lies in the intro's own sources; the
# system libraries SDL loads (D-Bus) keep a few allocations to the end, which are not.
if ls "$E2E_WORK"/leaks.* >/dev/null 2>&1; then
  ours=$(awk -v source="$(realpath "$3")" '
    /leak of/ { in_leak = 1; counted = 0; next }
    in_leak && /^ *#[0-9]/ { if (!counted && index($0, source) > 0) { n++; counted = 1 } next }
    { in_leak = 0 }
    END { print n + 0 }' "$E2E_WORK"/leaks.*)
  [ "$ours" -eq 0 ] || { cat "$E2E_WORK"/leaks.*; e2e_fail "$ours leaks allocated by the intro's code"; }
fi
resets=$(grep -c "device reset" "$trace")
clean=$(grep -c "device reset: 0 textures and 0 vertex buffers alive" "$trace")
created=$(grep -c "created" "$trace")
[ "$resets" -eq "$LOSSES" ] || e2e_fail "$resets resets for $LOSSES losses"
[ "$clean" -eq "$resets" ] || e2e_fail "only $clean of $resets resets found every resource released"
[ "$created" -eq $((5 * (LOSSES + 1))) ] ||
  e2e_fail "$created resources created, not 5 at start and 5 after each of $LOSSES resets"
[ "${shot_colours:-0}" -gt 200 ] || e2e_fail "the scene did not come back (${shot_colours:-0} colours)"
growth=$((rss_end - rss_start))
[ "$growth" -le 1024 ] || e2e_fail "resident memory grew by $growth kB from the 2nd to the ${LOSSES}th loss"
echo "$LOSSES losses: each released everything, reset and re-created 5 resources;" \
     "the page came back blank; resident memory ${rss_start} kB -> ${rss_end} kB; no leak"
