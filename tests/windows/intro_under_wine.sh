#!/usr/bin/env bash
# intro.exe under Wine in a virtual display: answer No to the start-up question, look at the
# screen, end it with Escape.
# Wine draws the 740 x 600 window at 400 left of and 300 above the centre of the 1024 x 768
# screen (x 112..851, y 84..683) with a one-pixel border; the back buffer is shown in the
# client area inside it. Expected: the dark silhouette 0x221133 along the whole bottom of the
# window and nowhere outside it, black above the panels, a many-coloured picture between,
# and exit code 0 after Escape. Without a sound device the intro runs silently.
# Usage: bash intro_under_wine.sh WINDOWS_BUILD WINEPREFIX
# Exit: 0 pass, 1 fail, 77 skipped.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
WINDOWS_BUILD=$(realpath "$1")
export WINEPREFIX=$(realpath -m "$2")
source "$here/wine_env.sh"

for tool in wine xvfb-run xdotool xwininfo import python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is missing"; exit 77; }
done
intro="$WINDOWS_BUILD/intro.exe"
[ -f "$intro" ] || { echo "FAIL: $intro is missing"; exit 1; }

if [ "${WINE_E2E_INSIDE_XVFB:-}" != 1 ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  WINE_E2E_INSIDE_XVFB=1 WINE_E2E_WORK="$work" \
    timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
  exit $?
fi

# ---- Inside the virtual display ----------------------------------------------------------
work=$WINE_E2E_WORK

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

# Wine reports the missing sound card on standard error; the intro then runs silently.
wine "$intro" 2>"$work/wine.log" &
pid=$!

fail() {
  echo "FAIL: $1"
  kill "$pid" 2>/dev/null
  wineserver -k 2>/dev/null
  wait "$pid" 2>/dev/null
  exit 1
}

question=$(wait_for_window "Orvanthe" 60) || fail "the start-up question never appeared"
# "n" presses the box's No button: run in a window.
xdotool windowfocus --sync "$question" key n 2>/dev/null || xdotool windowfocus "$question" key n

window=$(wait_for_window "Vestrel" 30) || fail "the intro window never appeared"
sleep 3
import -window root -depth 8 "$work/screen.ppm" || fail "no screenshot"
# WINE_E2E_KEEP=FILE keeps a copy of the screenshot for a look by eye.
[ -n "${WINE_E2E_KEEP:-}" ] && cp "$work/screen.ppm" "$WINE_E2E_KEEP"

python3 - "$work/screen.ppm" <<'PY' || fail "the screen does not show the intro as expected"
import sys
data = open(sys.argv[1], "rb").read()
fields, at = [], 0
while len(fields) < 4:
    while data[at:at + 1].isspace():
        at += 1
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
# The silhouette fills every column from back-buffer row 580 down; inside the border that is
# about window rows 579..598.
for y in range(84 + 582, 84 + 598):
    wrong = [x for x in range(114, 850) if pixel(x, y) != SILHOUETTE]
    if wrong:
        problems.append("row %d: %d pixels are not the silhouette (first at x %d: %06x)"
                        % (y, len(wrong), wrong[0], pixel(wrong[0], y)))
for x, y in ((100, 680), (110, 680), (854, 680), (900, 680), (400, 686), (400, 700)):
    if pixel(x, y) == SILHOUETTE:
        problems.append("silhouette colour outside the window at (%d, %d)" % (x, y))
lit = [x for x in range(114, 850) for y in (87, 100, 120) if pixel(x, y) & 0xF0F0F0]
if lit:
    problems.append("%d pixels above the panels are not black" % len(lit))
colours = {pixel(x, y) for x in range(114, 850, 3) for y in range(140, 560, 3)}
if len(colours) < 100:
    problems.append("only %d colours where the panels are" % len(colours))
for p in problems:
    print(p)
sys.exit(1 if problems else 0)
PY

kill -0 "$pid" 2>/dev/null || fail "the intro ended by itself"
xdotool windowfocus "$window" key Escape
for _ in $(seq 1 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
kill -0 "$pid" 2>/dev/null && fail "the intro did not end on Escape"
wait "$pid"
code=$?
wineserver -w
if [ $code -ne 0 ]; then
  echo "FAIL: the intro exited with code $code"
  exit 1
fi
echo "PASS: window placed, silhouette and panels shown, Escape ended with code 0"
exit 0
