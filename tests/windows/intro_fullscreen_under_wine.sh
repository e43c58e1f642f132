#!/usr/bin/env bash
# intro.exe under Wine answered Yes (full screen), on two virtual displays:
#   800 x 600: the back buffer's own size, so the device gets the whole screen: the window
#     covers it at (0, 0), the silhouette 0x221133 runs along the bottom rows, black above
#     the panels; Escape ends the intro with exit code 0;
#   1024 x 768: Xvfb offers no 800 x 600 mode, so the full-screen device is refused: the
#     set-up error box appears (its caption "Couldn´t set up DirectX." with the acute accent,
#     byte 0xB4 in the program) and OK ends the intro with exit code 0.
# Usage: bash intro_fullscreen_under_wine.sh WINDOWS_BUILD WINEPREFIX
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

if [ -z "${WINE_FS_SCREEN:-}" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  status=0
  WINE_FS_SCREEN=800x600 WINE_FS_WORK="$work" \
    timeout 120 xvfb-run -a -s "-screen 0 800x600x24" bash "$0" "$@" || status=1
  WINE_FS_SCREEN=1024x768 WINE_FS_WORK="$work" \
    timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@" || status=1
  exit $status
fi

# ---- Inside the virtual display ----------------------------------------------------------
work=$WINE_FS_WORK

window_named() {
  xwininfo -root -tree 2>/dev/null | awk -v name="\"$1\":" 'index($0, name) { print $1; exit }'
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

wine "$intro" 2>"$work/wine.log" &
pid=$!

fail() {
  echo "FAIL ($WINE_FS_SCREEN): $1"
  kill "$pid" 2>/dev/null
  wineserver -k 2>/dev/null
  wait "$pid" 2>/dev/null
  exit 1
}

wait_for_exit() {
  for _ in $(seq 1 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$pid" 2>/dev/null && fail "$1"
  wait "$pid"
  local code=$?
  wineserver -w
  [ $code -eq 0 ] || fail "the intro exited with code $code"
}

question=$(wait_for_window "Orvanthe" 60) || fail "the start-up question never appeared"
# "y" presses the box's Yes button: full screen.
xdotool windowfocus --sync "$question" key y 2>/dev/null || xdotool windowfocus "$question" key y

if [ "$WINE_FS_SCREEN" = 1024x768 ]; then
  box=$(wait_for_window "Couldn´t set up DirectX." 30) || fail "no set-up error box"
  xdotool windowfocus --sync "$box" key Return 2>/dev/null || xdotool windowfocus "$box" key Return
  wait_for_exit "the intro did not end after the error box"
  echo "PASS ($WINE_FS_SCREEN): full screen refused, error box shown, exit code 0"
  exit 0
fi

# The full-screen pause of 1.5 s comes before the window is shown.
window=$(wait_for_window "Vestrel" 30) || fail "the intro window never appeared"
sleep 3
geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
  /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}')
[ "$geometry" = "0 0 800 600" ] || fail "the window is at x y w h = $geometry, not the whole screen"
import -window root -depth 8 "$work/screen.ppm" || fail "no screenshot"
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
assert (width, height) == (800, 600), fields

def pixel(x, y):
    i = at + 3 * (y * width + x)
    return (data[i] << 16) | (data[i + 1] << 8) | data[i + 2]

problems = []
for y in range(581, 600):
    wrong = [x for x in range(800) if pixel(x, y) != 0x221133]
    if wrong:
        problems.append("row %d: %d pixels are not the silhouette" % (y, len(wrong)))
lit = [x for x in range(800) for y in (0, 20, 49) if pixel(x, y)]
if lit:
    problems.append("%d pixels above the panels are not black" % len(lit))
for p in problems:
    print(p)
sys.exit(1 if problems else 0)
PY
kill -0 "$pid" 2>/dev/null || fail "the intro ended by itself"
xdotool windowfocus "$window" key Escape
wait_for_exit "the intro did not end on Escape"
echo "PASS ($WINE_FS_SCREEN): full screen, silhouette along the bottom, Escape ended with code 0"
exit 0
