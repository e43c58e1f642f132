#!/usr/bin/env bash
# Installs what is missing, builds a Release build (build/release) and runs the intro:
#   ./run.sh
# or one of the tools, with its arguments (paths are taken from where you stand):
#   ./run.sh xm2wav song.xm song.wav
#   ./run.sh xmplay song.xm
#   ./run.sh font_preview font.pgm 3
#   ./run.sh capture intro.mp4     (also installs FFmpeg's development libraries)
# or the browser build (build/web/site), served on 127.0.0.1 until Ctrl+C, port 8000 or the
# next free one (also installs Emscripten):
#   ./run.sh web [PORT]
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
program=${1:-intro}
[ $# -gt 0 ] && shift
case "$program" in
  intro|xm2wav|xmplay|font_preview|capture|web) ;;
  *) echo "usage: ./run.sh [intro|xm2wav|xmplay|font_preview|capture|web] [arguments...]" >&2; exit 2 ;;
esac
if [ "$program" = web ]; then
  "$root/scripts/install-deps.sh" web >&2
  cd "$root"
  cmake --preset web >/dev/null
  cmake --build --preset web -j"$(nproc)" >&2
  exec python3 "$root/scripts/serve_site.py" "$root/build/web/site" "$@"
fi
# Build output goes to standard error: a tool may be writing to standard output.
deps=run
[ "$program" = capture ] && deps=capture
"$root/scripts/install-deps.sh" $deps >&2
cd "$root"
cmake --preset release >/dev/null
# The programs `cmake --install build/release` installs are built together, whichever runs.
cmake --build --preset release --target programs "$program" -j"$(nproc)" >&2
cd - >/dev/null
exec "$root/build/release/bin/$program" "$@"
