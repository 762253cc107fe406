#!/usr/bin/env bash
# Builds both flavours, runs the host tests, checks the Windows export table and debug files and
# replays the readers' fuzz corpora.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/build.sh"
bash "$top/scripts/check-exports.sh"
bash "$top/scripts/check-debug-files.sh"
# Every fuzz corpus and regression input once through its reader.
bash "$top/scripts/fuzz.sh" replay
ctest --test-dir "$top/build/host" --output-on-failure -j"$(nproc 2>/dev/null || echo 4)"
