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

e2e_open_intro_window 60 "$0" "$@"

# ---- Inside the virtual display ----------------------------------------------------------
# The screen is checked on up to three screenshots half a second apart: a screenshot can
# catch the window in the middle of an update (the presented frame reaches the X server in
# strips); a real fault shows on every one.
check_screen() {
  PYTHONPATH="$here/lib" python3 - "$1" <<'PY'
import sys
from screenshot import intro_window_problems, report

# The window fills x 112..851, y 84..683. The silhouette fills every column from back-buffer
# row 580 down: window rows 664..683 (checked from 665); above the panels (window rows 0..49)
# the background is black.
report(intro_window_problems(
    sys.argv[1], columns=range(113, 851), silhouette_rows=range(84 + 581, 84 + 600),
    black_rows=(86, 100, 120),
    outside=((100, 680), (108, 680), (856, 680), (900, 680), (400, 690), (400, 700))))
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
