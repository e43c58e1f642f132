#!/usr/bin/env bash
# The running intro's processor share: the intro in a window on a virtual X display (Xvfb,
# where SDL paces its vsync'd presents at about 60 per second) with the dummy sound driver;
# after the start-up question is answered No and WARMUP seconds have passed, the processor
# time of the intro (all its threads) and of the X server is read from /proc over SECONDS
# seconds and printed as a share of one processor, with the frames presented per second
# when the intro reports them. Ends the intro with Escape.
# Usage: bench/intro_cpu.sh INTRO_BINARY [SECONDS [WARMUP]]   (default 20 s after 5 s)
# Needs xvfb-run, xdotool and xwininfo. A benchmark: it prints figures and judges nothing.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/e2e/lib/session.sh"

[ $# -ge 1 ] || { echo "usage: $0 INTRO_BINARY [SECONDS [WARMUP]]" >&2; exit 2; }
intro=$(realpath "$1")
seconds=${2:-20}
warmup=${3:-5}
e2e_require_tools xvfb-run xdotool xwininfo

if ! e2e_inside_xvfb; then
  E2E_WORK=$(mktemp -d)
  trap 'rm -rf "$E2E_WORK"' EXIT
  e2e_run_in_xvfb $((seconds + warmup + 90)) "$0" "$@"
  exit $?
fi

# ---- Inside the virtual display ----------------------------------------------------------
# Processor time of a process in clock ticks: user + system of all its threads.
ticks_of() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
xserver=$(pgrep -n -x Xvfb)

SDL_AUDIODRIVER=dummy e2e_start_intro "$intro"
window=$(e2e_answer_no) || e2e_fail_once "no intro window after answering No"
sleep "$warmup"
intro_before=$(ticks_of "$e2e_pid")
x_before=$(ticks_of "$xserver")
start=$(date +%s.%N)
sleep "$seconds"
intro_after=$(ticks_of "$e2e_pid")
x_after=$(ticks_of "$xserver")
end=$(date +%s.%N)
awk -v i=$((intro_after - intro_before)) -v x=$((x_after - x_before)) -v hz="$hz" \
  -v s="$start" -v e="$end" 'BEGIN {
    wall = e - s
    printf "over %.1f s: intro %.1f %% of one processor, X server %.1f %%, both %.1f %%\n",
           wall, 100 * i / hz / wall, 100 * x / hz / wall, 100 * (i + x) / hz / wall
  }'
printf "load average %s\n" "$(cut -d' ' -f1 /proc/loadavg)"
e2e_end_with_escape "$window"
