#!/usr/bin/env bash
# The player's PCM is the same in both builds: xm2wav.exe under Wine and the Linux xm2wav
# write the same bytes for the embedded module and for every song of the module corpus, each
# rendered whole (once through its order list); and the Windows xm2wav's standard output and
# replacing of an existing file (with --force) work as on Linux.
# Usage: bash pcm_identical.sh WINDOWS_BUILD WINEPREFIX LINUX_XM2WAV EMBEDDED_XM CORPUS_SONGS
# Exit: 0 pass, 1 fail, 77 skipped.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
WINDOWS_BUILD=$(realpath "$1")
export WINEPREFIX=$(realpath -m "$2")
linux_xm2wav=$(realpath "$3")
embedded=$4
songs_dir=$5
source "$here/wine_env.sh"
command -v wine >/dev/null 2>&1 || { echo "SKIP: wine is missing"; exit 77; }

modules=("$embedded")
for song in "$songs_dir"/*.xm; do
  [ -f "$song" ] && modules+=("$song")
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for module in "${modules[@]}"; do
  name=$(basename "$module" .xm)
  "$linux_xm2wav" "$module" "$work/$name.linux.wav" ||
    { echo "FAIL: $name: Linux xm2wav"; status=1; continue; }
  wine "$WINDOWS_BUILD/xm2wav.exe" "$(windows_path "$module")" \
    "$(windows_path "$work/$name.windows.wav")" 2>"$work/wine.log" ||
    { echo "FAIL: $name: xm2wav.exe under Wine"; cat "$work/wine.log"; status=1; continue; }
  if cmp -s "$work/$name.linux.wav" "$work/$name.windows.wav"; then
    echo "same bytes: $name ($(stat -c %s "$work/$name.linux.wav") bytes)"
  else
    echo "FAIL: $name: the WAV files differ: $(cmp "$work/$name.linux.wav" "$work/$name.windows.wav" 2>&1 | head -1)"
    status=1
  fi
  rm -f "$work/$name.linux.wav" "$work/$name.windows.wav"
done
# Standard output carries the same bytes as a file (no text-mode line-end translation), and
# an existing output file is replaced with --force only.
wine "$WINDOWS_BUILD/xm2wav.exe" "$(windows_path "$embedded")" - --seconds 2 \
  >"$work/stdout.wav" 2>"$work/wine.log"
"$linux_xm2wav" "$embedded" "$work/file.wav" --seconds 2
cmp -s "$work/stdout.wav" "$work/file.wav" ||
  { echo "FAIL: xm2wav.exe writes other bytes to standard output"; status=1; }
wine "$WINDOWS_BUILD/xm2wav.exe" "$(windows_path "$embedded")" \
  "$(windows_path "$work/stdout.wav")" --seconds 1 2>"$work/wine.log" &&
  { echo "FAIL: xm2wav.exe replaced an existing output file without --force"; status=1; }
wine "$WINDOWS_BUILD/xm2wav.exe" --force "$(windows_path "$embedded")" \
  "$(windows_path "$work/stdout.wav")" --seconds 1 2>"$work/wine.log" &&
  [ "$(stat -c %s "$work/stdout.wav")" -eq $((44 + 44100 * 4)) ] ||
  { echo "FAIL: xm2wav.exe does not replace an existing output file"; status=1; }
wineserver -w
[ $status -eq 0 ] && echo "PASS: ${#modules[@]} modules, the same PCM from both builds"
exit $status
