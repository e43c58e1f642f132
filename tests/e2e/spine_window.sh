#!/usr/bin/env bash
# The real intro in a window under Xvfb: answer "No" to the start-up question, look at the
# screen after about two seconds, then end it with Escape.
# The 740 x 600 window must sit 400 left of and 300 above the centre of the 1024 x 768
# screen (x 112..851, y 84..683), show the dark silhouette 0x221133 along its whole bottom
# edge and nowhere outside it, a black band above the panels, a many-coloured picture
# between, and the intro must end with exit code 0.
# Usage: bash spine_window.sh INTRO_BINARY BUILD_DIR SOURCE_DIR
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

if [ "${SPINE_E2E_INSIDE_XVFB:-}" != 1 ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  SPINE_E2E_INSIDE_XVFB=1 SPINE_E2E_WORK="$work" \
    timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
  exit $?
fi

# ---- Inside the virtual display ----------------------------------------------------------
work=$SPINE_E2E_WORK

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

# In a sanitizer build the desktop libraries SDL loads (D-Bus, X drivers) leave allocations
# behind at exit that are not ours; our own shutdown is leak-checked by the headless
# scenario tests, so leak detection is off here.
SDL_AUDIODRIVER=dummy ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$intro" &
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
sleep 2
import -window root -depth 8 "$work/screen.ppm" || fail "no screenshot"
# SPINE_E2E_KEEP=FILE keeps a copy of the screenshot for a look by eye.
[ -n "${SPINE_E2E_KEEP:-}" ] && cp "$work/screen.ppm" "$SPINE_E2E_KEEP"

python3 - "$work/screen.ppm" <<'PY' || fail "the screen does not show the intro as expected"
import sys
data = open(sys.argv[1], "rb").read()
# Binary PPM: "P6", width, height, maxval, one whitespace, then RGB bytes.
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

def pixel(x, y):
    i = at + 3 * (y * width + x)
    return (data[i] << 16) | (data[i + 1] << 8) | data[i + 2]

SILHOUETTE = 0x221133
problems = []
# The silhouette fills every column from row 580 down: window rows 664..683.
for y in range(84 + 581, 84 + 600):
    wrong = [x for x in range(113, 851) if pixel(x, y) != SILHOUETTE]
    if wrong:
        problems.append("row %d: %d pixels are not the silhouette (first at x %d: %06x)"
                        % (y, len(wrong), wrong[0], pixel(wrong[0], y)))
# Nothing of it outside the window: left, right and below.
for x, y in ((100, 680), (108, 680), (856, 680), (900, 680), (400, 690), (400, 700)):
    if pixel(x, y) == SILHOUETTE:
        problems.append("silhouette colour outside the window at (%d, %d)" % (x, y))
# Above the panels (window rows 0..49) the background is black.
lit = [x for x in range(113, 851) for y in (86, 100, 120) if pixel(x, y) & 0xF0F0F0]
if lit:
    problems.append("%d pixels above the panels are not black" % len(lit))
# Between, the panels show a picture of many colours.
colours = {pixel(x, y) for x in range(113, 851, 3) for y in range(140, 560, 3)}
if len(colours) < 100:
    problems.append("only %d colours where the panels are" % len(colours))
for p in problems:
    print(p)
sys.exit(1 if problems else 0)
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
echo "PASS: window placed, silhouette and panels shown, Escape ended with code 0"
exit 0
