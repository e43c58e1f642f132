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
source "$here/../e2e/lib/session.sh"
source "$here/wine_env.sh"
wine_intro_arguments "$@"

if ! e2e_inside_xvfb; then
  e2e_make_work
  status=0
  E2E_SCREEN=800x600x24 E2E_LABEL=800x600 e2e_run_in_xvfb 120 "$0" "$@" || status=1
  E2E_SCREEN=1024x768x24 E2E_LABEL=1024x768 e2e_run_in_xvfb 120 "$0" "$@" || status=1
  exit $status
fi

# ---- Inside the virtual display ----------------------------------------------------------
e2e_before_fail() { wineserver -k 2>/dev/null; }
wine "$intro" 2>"$E2E_WORK/wine.log" &
e2e_pid=$!

# "y" presses the box's Yes button: full screen.
e2e_press_in "Orvanthe" y || e2e_fail "the start-up question never appeared"

if [ "$E2E_LABEL" = 1024x768 ]; then
  e2e_press_in "Couldn´t set up DirectX." Return || e2e_fail "no set-up error box"
  e2e_expect_exit "after the error box"
  wineserver -w
  echo "PASS ($E2E_LABEL): full screen refused, error box shown, exit code 0"
  exit 0
fi

# The full-screen pause of 1.5 s comes before the window is shown.
window=$(e2e_wait_for_window "Vestrel" 30) || e2e_fail "the intro window never appeared"
sleep 3
geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
  /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}')
[ "$geometry" = "0 0 800 600" ] || e2e_fail "the window is at x y w h = $geometry, not the whole screen"
import -window root -depth 8 "$E2E_WORK/screen.ppm" || e2e_fail "no screenshot"
PYTHONPATH="$here/../e2e/lib" python3 - "$E2E_WORK/screen.ppm" <<'PY' || e2e_fail "the screen does not show the intro as expected"
import sys
from screenshot import Screenshot

shot = Screenshot(sys.argv[1])
assert (shot.width, shot.height) == (800, 600), (shot.width, shot.height)
pixel = shot.pixel

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
e2e_end_with_escape "$window"
wineserver -w
echo "PASS ($E2E_LABEL): full screen, silhouette along the bottom, Escape ended with code 0"
exit 0
