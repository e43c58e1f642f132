#!/usr/bin/env bash
# SIGTERM, SIGINT and SIGHUP end the intro at once, while its start-up question is shown and
# while it runs: exit status 128 + the signal, no window left, no process left (the question
# box is a child process of SDL's). SIGKILL during the question leaves no box behind either.
# Usage: bash end_signals.sh INTRO_BINARY BUILD_DIR SOURCE_DIR
# Exit: 0 pass, 1 fail, 77 skipped (Xvfb, xdotool, xwininfo or python3 missing).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib/session.sh"
intro=$(realpath "$1")
e2e_require_tools xvfb-run xdotool xwininfo python3

if ! e2e_inside_xvfb; then
  E2E_WORK=$(mktemp -d)
  trap 'rm -rf "$E2E_WORK"' EXIT
  e2e_run_in_xvfb 120 "$0" "$@"
  exit $?
fi

# ---- Inside the virtual display -----------------------------------------------------------
# A background job of a script starts with SIGINT ignored, which the intro keeps (as under
# nohup): start it with the default disposition, as a terminal would, in a session of its own,
# so that its processes (the box is a child) can be told from any other intro on the machine.
start_intro() {
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" SDL_AUDIODRIVER=dummy setsid python3 -c \
    'import os, signal, sys; signal.signal(signal.SIGINT, signal.SIG_DFL); os.execv(sys.argv[1], sys.argv[1:])' \
    "$intro" &
  e2e_pid=$!
  session=$e2e_pid
}

# Processes of the intro's session that still run (a dead child may wait as a zombie for its
# reaper).
living_intros() { ps -o stat= -s "$session" | grep -vc '^Z'; }

expect_end() {
  local what=$1 expected=$2 code deadline
  deadline=$((SECONDS + 5))
  while kill -0 "$e2e_pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.02; done
  kill -0 "$e2e_pid" 2>/dev/null && e2e_fail "$what: the intro still runs after 5 s"
  wait "$e2e_pid" 2>/dev/null
  code=$?
  e2e_pid=
  [ "$code" -eq "$expected" ] || e2e_fail "$what: exit status $code, expected $expected"
  sleep 0.3
  [ -z "$(e2e_window_named Orvanthe)$(e2e_window_named Vestrel)" ] ||
    e2e_fail "$what: a window of the intro is left on screen"
  [ "$(living_intros)" -eq 0 ] || e2e_fail "$what: an intro process is left running"
  echo "$what: ended with status $code, nothing left"
}

for signal in TERM INT HUP KILL; do
  start_intro
  e2e_wait_for_window Orvanthe 30 >/dev/null || e2e_fail_once "the start-up question never appeared"
  kill -s "$signal" "$e2e_pid"
  expect_end "SIG$signal during the question" $((128 + $(kill -l "$signal")))
done

start_intro
window=$(e2e_answer_no) || e2e_fail_once "no intro window after answering No"
sleep 1
kill -s TERM "$e2e_pid"
expect_end "SIGTERM while running" 143
