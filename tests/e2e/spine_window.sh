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
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib/session.sh"

if [ $# -lt 3 ]; then
  echo "usage: $0 INTRO_BINARY BUILD_DIR SOURCE_DIR" >&2
  exit 2
fi
intro=$(realpath "$1")
e2e_require_tools xvfb-run xdotool xwininfo import python3
[ -x "$intro" ] || e2e_fail "$intro is missing"

if ! e2e_inside_xvfb; then
  E2E_WORK=$(mktemp -d)
  trap 'rm -rf "$E2E_WORK"' EXIT
  e2e_run_in_xvfb 60 "$0" "$@"
  exit $?
fi

# ---- Inside the virtual display ----------------------------------------------------------
SDL_AUDIODRIVER=dummy e2e_start_intro "$intro"
window=$(e2e_answer_no) || e2e_fail_once "no intro window after answering No"
# The screen is checked on up to three screenshots half a second apart: a screenshot can
# catch the window in the middle of an update (the presented frame reaches the X server in
# strips); a real fault shows on every one.
check_screen() {
  PYTHONPATH="$here/lib" python3 - "$1" <<'PY'
import sys
from screenshot import Screenshot

shot = Screenshot(sys.argv[1])
assert (shot.width, shot.height) == (1024, 768), (shot.width, shot.height)
pixel = shot.pixel

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
}

sleep 2
checked=no
for attempt in 1 2 3; do
  import -window root -depth 8 "$E2E_WORK/screen.ppm" || e2e_fail "no screenshot"
  # SPINE_E2E_KEEP=FILE keeps a copy of the screenshot for a look by eye.
  [ -n "${SPINE_E2E_KEEP:-}" ] && cp "$E2E_WORK/screen.ppm" "$SPINE_E2E_KEEP"
  if check_screen "$E2E_WORK/screen.ppm"; then
    checked=yes
    break
  fi
  sleep 0.5
done
[ $checked = yes ] || e2e_fail "the screen does not show the intro as expected"

e2e_end_with_escape "$window"
echo "PASS: window placed, silhouette and panels shown, Escape ended with code 0"
exit 0
