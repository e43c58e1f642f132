#!/usr/bin/env bash
# The real intro in a window under Xvfb shows the first page of text: answer "No" to the
# start-up question, take screenshots about 3 and 6 seconds later (frames ~190 and ~370 at
# ~62 fps, inside the 500-frame show of the first page), then end it with Escape.
#
# How the text is recognised: during the show the page is drawn at brightness 0xBB and the
# closed panels are added on at 0x4B, so a pixel of the panels alone never exceeds 0x4B per
# channel while a white texel of the text shows at least 0xBB. The check counts pixels
# whose three channels are all >= 0xB0 in the band where the six lines lie (back-buffer rows
# 204..352, columns 144..655, i.e. screen rows 288..436 and, scaled 740/800 into the window
# at x 112, screen columns 245..718). It passes when one screenshot has at least 800 such
# pixels there, spread over at least 3 separate lines of text, and fewer than 20 in the band
# of the page just above the text (screen rows 150..280). The intro must then end with exit
# code 0.
# Usage: bash pager_text.sh INTRO_BINARY BUILD_DIR SOURCE_DIR
# Exit: 0 pass, 1 fail, 77 skipped (Xvfb, xdotool, xwininfo, import or python3 missing).
set -uo pipefail

if [ $# -lt 3 ]; then
  echo "usage: $0 INTRO_BINARY BUILD_DIR SOURCE_DIR" >&2
  exit 2
fi
intro=$(realpath "$1")

for tool in xvfb-run xdotool xwininfo import python3; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is missing"
    exit 77
  fi
done
if [ ! -x "$intro" ]; then
  echo "FAIL: $intro is missing"
  exit 1
fi

if [ "${PAGER_E2E_INSIDE_XVFB:-}" != 1 ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  PAGER_E2E_INSIDE_XVFB=1 PAGER_E2E_WORK="$work" \
    timeout 90 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
  exit $?
fi

# ---- Inside the virtual display ----------------------------------------------------------
work=$PAGER_E2E_WORK

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
    sleep 0.05
  done
  return 1
}

SDL_AUDIODRIVER=dummy "$intro" &
pid=$!

fail() {
  echo "FAIL: $1"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  exit 1
}

question=$(wait_for_window "Orvanthe" 20) || fail "the start-up question never appeared"
# Escape answers the second button, No: run in a window.
xdotool windowfocus --sync "$question" key Escape 2>/dev/null ||
  xdotool windowfocus "$question" key Escape

window=$(wait_for_window "Vestrel" 20) || fail "the intro window never appeared"
sleep 3
import -window root -depth 8 "$work/shot1.ppm" || fail "no screenshot"
sleep 3
import -window root -depth 8 "$work/shot2.ppm" || fail "no screenshot"
# PAGER_E2E_KEEP=DIR keeps the screenshots for a look by eye.
[ -n "${PAGER_E2E_KEEP:-}" ] && cp "$work"/shot*.ppm "$PAGER_E2E_KEEP"/

python3 - "$work/shot1.ppm" "$work/shot2.ppm" <<'PY' || fail "no screenshot shows the page's text"
import sys

def load(path):
    data = open(path, "rb").read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    at += 1
    width, height = int(fields[1]), int(fields[2])
    assert fields[0] == b"P6" and (width, height) == (1024, 768) and fields[3] == b"255", fields
    return data, at, width

def near_white(shot, x, y):
    data, at, width = shot
    i = at + 3 * (y * width + x)
    return data[i] >= 0xB0 and data[i + 1] >= 0xB0 and data[i + 2] >= 0xB0

LEFT, RIGHT = 245, 719
passed = False
for path in sys.argv[1:]:
    shot = load(path)
    rows = {}
    for y in range(288, 437):
        n = sum(near_white(shot, x, y) for x in range(LEFT, RIGHT))
        if n:
            rows[y] = n
    text = sum(rows.values())
    # Lines of text: runs of rows with ink, separated by rows without.
    lines, previous = 0, None
    for y in sorted(rows):
        if previous is None or y > previous + 1:
            lines += 1
        previous = y
    above = sum(near_white(shot, x, y) for y in range(150, 281) for x in range(LEFT, RIGHT))
    print("%s: %d near-white pixels in %d lines of text, %d above the text" % (path, text, lines, above))
    if text >= 800 and lines >= 3 and above < 20:
        passed = True
sys.exit(0 if passed else 1)
PY

kill -0 "$pid" 2>/dev/null || fail "the intro ended by itself"
xdotool windowfocus "$window" key Escape
for _ in $(seq 1 200); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
kill -0 "$pid" 2>/dev/null && fail "the intro did not end on Escape"
wait "$pid"
code=$?
if [ $code -ne 0 ]; then
  echo "FAIL: the intro exited with code $code"
  exit 1
fi
echo "PASS: the first page's text shows during the show, Escape ended with code 0"
exit 0
