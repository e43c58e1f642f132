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
source "$here/../e2e/lib/session.sh"
source "$here/wine_env.sh"
wine_intro_arguments "$@"

e2e_inside_xvfb || e2e_rerun_in_xvfb 120 "$0" "$@"

# ---- Inside the virtual display ----------------------------------------------------------
e2e_before_fail() { wineserver -k 2>/dev/null; }
# Wine reports the missing sound card on standard error; the intro then runs silently.
wine "$intro" 2>"$E2E_WORK/wine.log" &
e2e_pid=$!

# "n" presses the box's No button: run in a window.
window=$(e2e_answer_no n) || e2e_fail "no intro window after answering No"
sleep 3
import -window root -depth 8 "$E2E_WORK/screen.ppm" || e2e_fail "no screenshot"
# WINE_E2E_KEEP=FILE keeps a copy of the screenshot for a look by eye.
[ -n "${WINE_E2E_KEEP:-}" ] && cp "$E2E_WORK/screen.ppm" "$WINE_E2E_KEEP"

PYTHONPATH="$here/../e2e/lib" python3 - "$E2E_WORK/screen.ppm" <<'PY' || e2e_fail "the screen does not show the intro as expected"
import sys
from screenshot import intro_window_problems, report

# The back buffer is shown inside the window's one-pixel border. The silhouette fills every
# column from back-buffer row 580 down: about window rows 579..598 (checked from 582).
report(intro_window_problems(
    sys.argv[1], columns=range(114, 850), silhouette_rows=range(84 + 582, 84 + 598),
    black_rows=(87, 100, 120),
    outside=((100, 680), (110, 680), (854, 680), (900, 680), (400, 686), (400, 700))))
PY

e2e_end_with_escape "$window"
wineserver -w
echo "PASS: window placed, silhouette and panels shown, Escape ended with code 0"
exit 0
