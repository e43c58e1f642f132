# Shared steps of the end-to-end scripts (the Linux intro here, the Windows build under Wine
# in tests/windows): the virtual display, finding windows by name, answering the start-up
# question and ending the intro with Escape. Sourced, not run.
#   E2E_SCREEN     - the virtual screen, default 1024x768x24
#   E2E_LABEL      - added to FAIL lines, e.g. the screen size of the run
#   e2e_before_fail - a function the script may define: called before a failure ends it

# Skips the test (exit 77) when one of the named commands is missing.
e2e_require_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "SKIP: $tool is missing"
      exit 77
    fi
  done
}

# True inside the virtual display that e2e_run_in_xvfb started.
e2e_inside_xvfb() { [ "${E2E_INSIDE_XVFB:-}" = 1 ]; }

# The arguments of the Linux intro's scripts, INTRO_BINARY BUILD_DIR SOURCE_DIR: sets intro to
# the binary's full path, or ends the script with its usage.
e2e_intro_arguments() {
  if [ $# -lt 3 ]; then
    echo "usage: $0 INTRO_BINARY BUILD_DIR SOURCE_DIR" >&2
    exit 2
  fi
  intro=$(realpath "$1")
}

# A scratch folder in E2E_WORK, removed when the script ends.
e2e_make_work() {
  E2E_WORK=$(mktemp -d)
  trap 'rm -rf "$E2E_WORK"' EXIT
}

# Runs the given script again inside a fresh 1024 x 768 virtual display, at most $1
# seconds, with E2E_WORK naming a scratch folder both sides share; returns its status.
# A run that ended with e2e_fail_once (status 75) is run once more, and says so.
e2e_run_in_xvfb() {
  local seconds=$1 status
  shift
  for attempt in 1 2; do
    E2E_INSIDE_XVFB=1 E2E_WORK="$E2E_WORK" \
      timeout "$seconds" xvfb-run -a -s "-screen 0 ${E2E_SCREEN:-1024x768x24}" bash "$@"
    status=$?
    [ $status -eq 75 ] && [ $attempt -eq 1 ] || break
    echo "RETRY: the run above failed at start-up; running it once more"
  done
  [ $status -eq 75 ] && return 1
  return $status
}

# Outside the virtual display: runs the script again inside one, as e2e_run_in_xvfb does ($1
# seconds at most, then the script and its arguments), with a scratch folder of its own, and
# ends with its status.
e2e_rerun_in_xvfb() {
  e2e_make_work
  e2e_run_in_xvfb "$@"
  exit $?
}

# The id of the first window whose name is exactly $1, or nothing.
e2e_window_named() {
  xwininfo -root -tree 2>/dev/null | awk -v name=" \"$1\":" 'index($0, name) { print $1; exit }'
}

# Waits up to $2 seconds for a shown window named $1 and prints its id.
e2e_wait_for_window() {
  local deadline=$((SECONDS + $2)) id
  while [ $SECONDS -lt $deadline ]; do
    id=$(e2e_window_named "$1")
    if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable"; then
      echo "$id"
      return 0
    fi
    sleep 0.05
  done
  return 1
}

# Starts the intro in the background (environment as given before the call, e.g.
# `SDL_AUDIODRIVER=dummy e2e_start_intro BINARY`); its pid is in e2e_pid. The desktop
# libraries SDL loads keep a few allocations to exit that are not ours, so a sanitizer build
# is not leak-checked here (the headless scenario tests check our own shutdown).
e2e_start_intro() {
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$1" &
  e2e_pid=$!
}

# The opening of a test that looks at the intro's window: the arguments and the tools taken,
# the script run again inside Xvfb (for at most $1 seconds; $2 is the script, the rest its
# arguments), then, inside it, the intro started without sound and "No" answered. Sets
# intro, e2e_pid and window.
e2e_open_intro_window() {
  local seconds=$1 script=$2
  shift 2
  e2e_intro_arguments "$@"
  e2e_require_tools xvfb-run xdotool xwininfo import python3
  [ -x "$intro" ] || e2e_fail "$intro is missing"
  e2e_inside_xvfb || e2e_rerun_in_xvfb "$seconds" "$script" "$@"
  SDL_AUDIODRIVER=dummy e2e_start_intro "$intro"
  window=$(e2e_answer_no) || e2e_fail_once "no intro window after answering No"
}

# Ends the test as failed (exit status $2, default 1), taking the intro down with it.
e2e_fail() {
  echo "FAIL${E2E_LABEL:+ ($E2E_LABEL)}: $1"
  if declare -F e2e_before_fail >/dev/null; then e2e_before_fail; fi
  if [ -n "${e2e_pid:-}" ]; then
    kill "$e2e_pid" 2>/dev/null
    wait "$e2e_pid" 2>/dev/null
  fi
  exit "${2:-1}"
}

# Presses key $2 in the window named $1 once it appears (within 60 s), again every 2 s
# while the window is still there: a box that has just been mapped may not yet take keys.
e2e_press_in() {
  local window tries
  window=$(e2e_wait_for_window "$1" 60) || return 1
  for tries in 1 2 3 4 5; do
    xdotool windowfocus --sync "$window" key "$2" 2>/dev/null ||
      xdotool windowfocus "$window" key "$2" 2>/dev/null
    for _ in $(seq 1 40); do
      xwininfo -id "$window" 2>/dev/null | grep -q "IsViewable" || return 0
      sleep 0.05
    done
  done
  return 1
}

# Like e2e_fail, for a failure at start-up that the run may meet once in a while on a fresh
# virtual display (about 1 in 20 runs here the intro's window did not appear after the
# answer): the whole run is tried once more (see e2e_run_in_xvfb).
e2e_fail_once() {
  e2e_fail "$1" 75
}

# Answers the start-up question with No: the intro runs in a window. The key that presses
# No is $1: Escape by default (SDL's box: No is the second button, which Escape gives), "n"
# in Wine's box. Then waits for the intro's window and prints its id; fails (status 1,
# reason on standard error) when the question or the window does not appear.
e2e_answer_no() {
  if ! e2e_press_in "Orvanthe" "${1:-Escape}"; then
    echo "the start-up question never appeared" >&2
    return 1
  fi
  if ! e2e_wait_for_window "Vestrel" 30; then
    echo "the intro window never appeared; the intro is $(kill -0 "$e2e_pid" 2>/dev/null ||
      echo "no longer ")running; named windows:" >&2
    xwininfo -root -tree 2>/dev/null | grep '"' | head -n 12 >&2
    return 1
  fi
}

# The intro must end within 15 s ($1 says after what) with exit code 0.
e2e_expect_exit() {
  local code
  for _ in $(seq 1 300); do
    kill -0 "$e2e_pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$e2e_pid" 2>/dev/null && e2e_fail "the intro did not end $1"
  wait "$e2e_pid"
  code=$?
  e2e_pid=
  [ $code -eq 0 ] || e2e_fail "the intro exited with code $code"
}

# Presses Escape in window $1; the intro must end with exit code 0.
e2e_end_with_escape() {
  kill -0 "$e2e_pid" 2>/dev/null || e2e_fail "the intro ended by itself"
  xdotool windowfocus "$1" key Escape
  e2e_expect_exit "on Escape"
}
