#!/usr/bin/env bash
# Builds both flavours: build/host (Linux i686, tests under qemu-i386) and
# build/win (MinGW: OPENGL32.dll, ravix2x.dll).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 4)
cmake -S "$top" -B "$top/build/host" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/host-i686.cmake" >/dev/null
cmake --build "$top/build/host" -j"$jobs"
cmake -S "$top" -B "$top/build/win" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$top/build/win" -j"$jobs"
