#!/bin/sh
# Runs host_smoke under a private Xvfb with SDL's disk audio driver, answers the question box
# with the given key (Escape = No = windowed, Return = Yes = full screen), takes a screenshot
# after a second; the captured PCM (paced in real time) is left in OUT_DIR/audio.raw.
#   run_smoke.sh HOST_SMOKE_BINARY OUT_DIR [Escape|Return] [frames] [screen, e.g. 1280x720x24]
set -eu
binary=$1
out=$2
key=${3:-Escape}
frames=${4:-120}
screen=${5:-1024x768x24}
mkdir -p "$out"
rm -f "$out/audio.raw" "$out/screen.png"
xvfb-run -a -s "-screen 0 $screen" sh -c '
  binary=$1; out=$2; key=$3; frames=$4
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$out/audio.raw" \
    ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}" timeout 60 "$binary" "$frames" 1 > "$out/report.txt" 2> "$out/stderr.txt" &
  pid=$!
  box=""
  for i in $(seq 1 100); do
    box=$(xwininfo -root -tree 2>/dev/null | sed -n "s/^ *\(0x[0-9a-f]*\) \"Orvanthe\".*/\1/p" | head -n 1)
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] && xdotool windowfocus "$box" key "$key"
  [ -n "$box" ] || kill $pid
  sleep 1
  import -window root "$out/screen.png" 2>/dev/null || true
  status=0
  wait $pid || status=$?
  echo "exit $status" >> "$out/report.txt"
  [ -n "$box" ] && echo "box answered with $key" >> "$out/report.txt" || echo "no box seen" >> "$out/report.txt"
' sh "$binary" "$out" "$key" "$frames"
cat "$out/report.txt"
