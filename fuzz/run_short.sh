#!/bin/sh
# Builds the module loading fuzz target and runs it for about a minute (or $1 seconds),
# seeded with the module corpus, copied into a temporary directory first.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
seconds=${1:-60}
work=$(mktemp -d /tmp/intro-fuzz-run.XXXXXX)
trap 'rm -rf "$work"' EXIT
binary=$("$here/build.sh" "$work/bin" | tail -n 1)
mkdir -p "$work/seeds" "$work/found"
find "$here/../../shared/corpus" "$here/regressions" -type f \( -name '*.xm' -o -name 'crash-*' \) \
    -exec cp {} "$work/seeds/" \; 2>/dev/null || true
cd "$work"
"$binary" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
    "$work/found" "$work/seeds"
