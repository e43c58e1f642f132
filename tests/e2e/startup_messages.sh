#!/usr/bin/env bash
# What the intro tells a user whose machine lacks something: with no display, one line of its
# own on standard error (no library's noise) and exit code 1; with a display but no sound
# device, it runs, and says once that it runs without sound (nothing else on standard error).
# Usage: bash startup_messages.sh INTRO_BINARY BUILD_DIR SOURCE_DIR
# Exit: 0 pass, 1 fail, 77 skipped (Xvfb or xdotool missing).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib/session.sh"
e2e_intro_arguments "$@"

if ! e2e_inside_xvfb; then
  e2e_make_work
  env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$intro" 2>"$E2E_WORK/stderr"
  code=$?
  [ $code -eq 1 ] || e2e_fail "with no display the intro exited with $code, not 1"
  if [ "$(wc -l <"$E2E_WORK/stderr")" -ne 1 ] || ! grep -q '^intro: no display: ' "$E2E_WORK/stderr"; then
    cat "$E2E_WORK/stderr"
    e2e_fail "with no display the intro did not say so in one line of its own"
  fi
  e2e_require_tools xvfb-run xdotool xwininfo
  e2e_run_in_xvfb 60 "$0" "$@"
  exit $?
fi

# ---- Inside the virtual display, with whatever sound devices the machine has --------------
unset SDL_AUDIODRIVER
e2e_start_intro "$intro" 2>"$E2E_WORK/stderr"
window=$(e2e_answer_no) || e2e_fail_once "no intro window after answering No"
sleep 1
e2e_end_with_escape "$window"
lines=$(grep -c . "$E2E_WORK/stderr")
if [ "$lines" -gt 1 ] || { [ "$lines" -eq 1 ] &&
     ! grep -qx 'intro: no sound device: running without sound' "$E2E_WORK/stderr"; }; then
  cat "$E2E_WORK/stderr"
  e2e_fail "standard error holds more than the one line about the missing sound device"
fi
echo "no display: one line, exit 1; sound: $([ "$lines" -eq 1 ] && echo 'no device, said once' || echo 'a device opened')"
