#!/usr/bin/env bash
# The software rasteriser against Direct3D 9 under Wine: frame_dump draws frames 1, 60, 200
# and 700 of the scene (the frame renderer and the text pager from the same start) on both,
# and the frames must agree except where the two may legitimately differ: texels and edges
# placed one pixel over (point sampling ties exactly on texel boundaries, fill rules), and
# colour modulation rounded the other way (off by 1). Nothing may differ in a flat area by
# more than 1, and at most 5% of the pixels may differ at all. Prints the counts per frame.
# The bubbles' start tables the two builds drew must be equal.
# Usage: bash frames_match.sh WINDOWS_BUILD WINEPREFIX LINUX_FRAME_DUMP
# Exit: 0 pass, 1 fail, 77 skipped.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
WINDOWS_BUILD=$(realpath "$1")
export WINEPREFIX=$(realpath -m "$2")
linux_frame_dump=$(realpath "$3")
source "$here/wine_env.sh"

for tool in wine xvfb-run python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is missing"; exit 77; }
done
frames=(1 60 200 700)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/windows" "$work/linux"

"$linux_frame_dump" "$work/linux" "${frames[@]}" || { echo "FAIL: Linux frame_dump"; exit 1; }
timeout 540 xvfb-run -a -s "-screen 0 1024x768x24" \
  wine "$WINDOWS_BUILD/frame_dump.exe" "$(windows_path "$work/windows")" "${frames[@]}" \
  2>"$work/wine.log" || { echo "FAIL: frame_dump.exe under Wine"; cat "$work/wine.log"; exit 1; }
wineserver -w

# The bubbles' start table comes from each build's runtime rand: it must be the same table.
status=0
if ! cmp -s "$work/windows/sprite_positions.txt" "$work/linux/sprite_positions.txt"; then
  echo "FAIL: the bubbles' start tables differ (Windows, then Linux)"
  paste "$work/windows/sprite_positions.txt" "$work/linux/sprite_positions.txt" | head -5
  status=1
fi
for frame in "${frames[@]}"; do
  name=$(printf 'frame_%04d.ppm' "$frame")
  python3 "$here/compare_frames.py" --tolerance 1 --most 5 \
    "$work/windows/$name" "$work/linux/$name" || status=1
done
[ $status -eq 0 ] && echo "PASS: the frames agree up to one-pixel shifts and rounding"
exit $status
