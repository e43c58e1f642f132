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
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib/session.sh"

e2e_open_intro_window 90 "$0" "$@"

# ---- Inside the virtual display ----------------------------------------------------------
sleep 3
import -window root -depth 8 "$E2E_WORK/shot1.ppm" || e2e_fail "no screenshot"
sleep 3
import -window root -depth 8 "$E2E_WORK/shot2.ppm" || e2e_fail "no screenshot"
# PAGER_E2E_KEEP=DIR keeps the screenshots for a look by eye.
[ -n "${PAGER_E2E_KEEP:-}" ] && cp "$E2E_WORK"/shot*.ppm "$PAGER_E2E_KEEP"/

PYTHONPATH="$here/lib" python3 - "$E2E_WORK/shot1.ppm" "$E2E_WORK/shot2.ppm" <<'PY' || e2e_fail "no screenshot shows the page's text"
import sys
from screenshot import Screenshot

def near_white(shot, x, y):
    return min(shot.rgb(x, y)) >= 0xB0

LEFT, RIGHT = 245, 719
passed = False
for path in sys.argv[1:]:
    shot = Screenshot(path)
    assert (shot.width, shot.height) == (1024, 768), (shot.width, shot.height)
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

e2e_end_with_escape "$window"
echo "PASS: the first page's text shows during the show, Escape ended with code 0"
exit 0
