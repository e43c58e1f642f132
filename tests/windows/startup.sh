#!/usr/bin/env bash
# The Windows process start-up, through startup_probe.exe (the intro's start-up file with a
# WinMain that reports what it was given): the x87 unit runs at 53-bit precision when the
# entry function starts, the show command is SW_SHOWDEFAULT (10) when the starter asks for
# nothing and the starter's command otherwise (minimised, maximised), and the entry
# function's result is the exit code.
# Usage: bash startup.sh WINDOWS_BUILD WINEPREFIX
# Exit: 0 pass, 1 fail, 77 skipped.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
WINDOWS_BUILD=$(realpath "$1")
export WINEPREFIX=$(realpath -m "$2")
source "$here/wine_env.sh"
command -v wine >/dev/null 2>&1 || { echo "SKIP: wine is missing"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
probe=$(windows_path "$WINDOWS_BUILD/startup_probe.exe")
status=0

# check NAME EXPECTED_REPORT_PATTERN COMMAND...: the probe's report and exit code.
check() {
  local name=$1 expected=$2
  shift 2
  "$@" "$(windows_path "$work/$name.txt")" 2>"$work/wine.log"
  local code=$?
  local report
  report=$(tr -d '\r' <"$work/$name.txt" 2>/dev/null)
  if [ $code -ne 42 ] || ! [[ "$report" =~ $expected ]]; then
    echo "FAIL: $name: exit code $code, report '$report', expected '$expected'"
    status=1
  else
    echo "$name: $report, exit code $code"
  fi
}

check plain '^precision=0x10000 show=10$' wine "$probe"
# Minimised: SW_SHOWMINIMIZED (2), SW_MINIMIZE (6) or SW_SHOWMINNOACTIVE (7).
check minimised '^precision=0x10000 show=(2|6|7)$' wine start /wait /min "$probe"
check maximised '^precision=0x10000 show=3$' wine start /wait /max "$probe"
wineserver -w
[ $status -eq 0 ] && echo "PASS: 53-bit precision, the starter's show command, the exit code"
exit $status
