#!/usr/bin/env bash
# Makes the test run's fresh Wine prefix (see wine_env.sh).
# Usage: bash make_wine_prefix.sh WINEPREFIX
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=$(realpath -m "$1")
source "$here/wine_env.sh"
wineserver -k 2>/dev/null
timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" bash -c "source '$here/wine_env.sh'; make_wine_prefix" ||
  { echo "FAIL: no Wine prefix"; exit 1; }
echo "PASS: Wine prefix ready in $WINEPREFIX"
