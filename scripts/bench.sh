#!/usr/bin/env bash
# Instruction-count benchmark: runs each scene of glbench under qemu-i386 with
# the counting plugin, once for F frames and once for 0 frames, and prints
# (count(F) - count(0)) / (F x units per frame).
#   scripts/bench.sh [-f FRAMES] [scene ...]     (default: every scene, F = 4)
# Environment settings (QRB_USESW, __GL_DISABLE_FASTPATH, ...) pass through.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
frames=4
if [ "${1:-}" = "-f" ]; then frames=$2; shift 2; fi
out="$top/build/bench"
mkdir -p "$out"
cmake -S "$top" -B "$top/build/host" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/host-i686.cmake" >/dev/null
cmake --build "$top/build/host" --target glbench -j"$(nproc 2>/dev/null || echo 4)" >/dev/null
cc -O2 -shared -fPIC -o "$out/insncount.so" "$top/bench/insncount.c"
prog="$top/build/host/bench/glbench"
export QRB_USESW=${QRB_USESW-1}

count() {  # scene frames -> instructions
  qemu-i386 -plugin "$out/insncount.so,out=$out/count" "$prog" "$1" "$2" >&2
  cat "$out/count"
}

scenes=("$@")
qemu-i386 "$prog" --list > "$out/list"
[ ${#scenes[@]} -eq 0 ] && mapfile -t scenes < <(cut -d" " -f1 "$out/list")
for s in "${scenes[@]}"; do
  read -r _ units unit < <(grep "^$s " "$out/list")
  base=$(count "$s" 0)
  full=$(count "$s" "$frames")
  awk -v s="$s" -v a="$full" -v b="$base" -v f="$frames" -v n="$units" -v u="$unit" \
    'BEGIN { printf "%-24s %8.1f instructions per %s\n", s, (a - b) / (f * n), u }'
done
