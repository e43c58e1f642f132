#!/usr/bin/env bash
# Installs what is missing, builds the intro (Release) and runs it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh run
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DINTRO_TESTS=OFF >/dev/null
cmake --build build/release --target intro -j"$(nproc)"
exec build/release/intro
