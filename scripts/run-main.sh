#!/usr/bin/env bash
# The main job: build both flavours and run the library's smoke run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/build.sh"
ctest --test-dir "$top/build/host" --output-on-failure -j"$(nproc 2>/dev/null || echo 4)"
