#!/usr/bin/env bash
# Builds the web site (the web preset's configuration) into WEB_BUILD/site for the browser
# tests, with the asset generators of the native build HOST_BUILD (they make the same bytes
# in every build type).
# Usage: bash build_site.sh SOURCE_DIR WEB_BUILD HOST_BUILD
# Exit: 0 built, 1 failed, 77 skipped.
set -uo pipefail
source_dir=$1
web_build=$2
host_build=$3
for tool in emcc node; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is missing"; exit 77; }
done
cd "$source_dir"
cmake --preset web -B "$web_build" -DINTRO_HOST_TOOLS_DIR="$host_build" >/dev/null ||
  { echo "FAIL: configure"; exit 1; }
cmake --build "$web_build" -j"$(nproc)" >"$web_build.log" 2>&1 || {
  tail -n 40 "$web_build.log"; echo "FAIL: build"; exit 1; }
du -cb "$web_build"/site/* | tail -n 1 | awk '{print "site size: " $1 " bytes"}'
