#!/usr/bin/env bash
# Cross-builds the Windows executables (scripts/build-windows.sh) and checks them: the build
# prints no warning, and every executable imports only DLLs that every Windows has (the
# system's KERNEL32, USER32, GDI32, d3d9, WINMM and the C runtime msvcrt or the universal
# C runtime's api-ms-win-crt-*): no libstdc++, libgcc or winpthread DLL is needed; and
# intro.exe is a GUI program (no console window).
# Usage: bash build_and_imports.sh SOURCE_DIR WINDOWS_BUILD NATIVE_BUILD
# Exit: 0 pass, 1 fail.
set -uo pipefail
source_dir=$1
windows_build=$2
native_build=$3

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! bash "$source_dir/scripts/build-windows.sh" "$windows_build" "$native_build" >"$log" 2>&1; then
  tail -40 "$log"
  echo "FAIL: the Windows build failed"
  exit 1
fi
if grep -i 'warning:' "$log"; then
  echo "FAIL: the Windows build printed warnings"
  exit 1
fi

status=0
for exe in intro xm2wav frame_dump startup_probe; do
  file="$windows_build/$exe.exe"
  [ -f "$file" ] || { echo "FAIL: $file is missing"; status=1; continue; }
  dlls=$(i686-w64-mingw32-objdump -p "$file" | awk '/DLL Name:/ { print $3 }')
  echo "$exe.exe imports: $(echo $dlls)"
  for dll in $dlls; do
    case "${dll,,}" in
      kernel32.dll | user32.dll | gdi32.dll | d3d9.dll | winmm.dll | msvcrt.dll) ;;
      api-ms-win-crt-*.dll) ;;
      *) echo "FAIL: $exe.exe imports $dll"; status=1 ;;
    esac
  done
done
# The intro opens no console: it is a GUI program.
headers=$(i686-w64-mingw32-objdump -p "$windows_build/intro.exe")
if ! grep -q 'Subsystem.*Windows GUI' <<<"$headers"; then
  echo "FAIL: intro.exe is not a Windows GUI program"
  status=1
fi
[ $status -eq 0 ] && echo "PASS: built without warnings, only system DLLs imported, GUI subsystem"
exit $status
