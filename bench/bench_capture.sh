#!/usr/bin/env bash
# Times capture on the whole intro (one pass of the song plus 2 s, 60 fps, 800 x 600) in both
# containers: wall time, processor time, how many times faster than real time, and the file
# size. Run it on a Release build, on a machine as quiet as can be had (the load average is
# printed before and after each run: other work on the machine lengthens the wall time).
# Usage: bench/bench_capture.sh [BUILD_DIR] [mkv|mp4 ...]   (default build/release, both)
set -euo pipefail
build=${1:-build/release}
shift || true
containers=("$@")
[ ${#containers[@]} -eq 0 ] && containers=(mp4 mkv)
capture="$build/bin/capture"
[ -x "$capture" ] || { echo "no $capture: build the capture target first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The length of the video: one pass of the song (as xm2wav renders it whole) plus 2 s.
"$build/bin/xm2wav" "$build/assets/embedded.xm" "$work/song.wav"
seconds=$(python3 -c "import os; print((os.path.getsize('$work/song.wav') - 44) / 4 / 44100 + 2)")

for container in "${containers[@]}"; do
  out="$work/intro.$container"
  load_before=$(cut -d' ' -f1 /proc/loadavg)
  start=$(date +%s.%N)
  /usr/bin/time -f "%U %S" -o "$work/cpu" "$capture" "$out" 2>/dev/null
  end=$(date +%s.%N)
  load_after=$(cut -d' ' -f1 /proc/loadavg)
  read -r user sys <"$work/cpu"
  python3 - "$container" "$seconds" "$start" "$end" "$user" "$sys" "$(stat -c %s "$out")" \
            "$load_before" "$load_after" <<'PY'
import sys
name, seconds, start, end, user, sys_, size, before, after = sys.argv[1:]
wall = float(end) - float(start)
cpu = float(user) + float(sys_)
print(f"{name}: {float(seconds):.1f} s of video in {wall:.1f} s wall ({float(seconds) / wall:.2f}x real time), "
      f"{cpu:.1f} s processor time, {int(size) / 1e6:.1f} MB; load average {before} before, {after} after")
PY
  rm -f "$out"
done
