#!/usr/bin/env bash
# Instruction-count benchmark: runs each scene of glbench under qemu-i386 with
# the counting plugin, once for F frames and once for 0 frames, and prints
# (count(F) - count(0)) / (F x units per frame).
#   scripts/bench.sh [-f FRAMES] [scene ...]     (default: every scene, F = 4)
# Scenes that draw triangles are run three ways side by side: the generated
# code with MMX, the generated code without it (__GL_FORCE_MMX=0), and the C++
# span chain without generated rasterization code. The mesh scenes run with
# generated vertex programs and on the C++ array routines
# (__GL_DISABLE_DYNAMIC_VERTEX=1), with the ratio of the two, and on a second
# line the same for the vertex routines alone. The filtered-texture, blended,
# overdraw and small-triangle scenes (filter-*, blend-*, floor-*, layers-*,
# quads-*) run three ways side by side: the default road, the span chain
# behind the generated set-up and walker (__GL_DISABLE_OG=1: no generated
# whole-triangle fill) and the C++ chain alone (no generated rasterization
# code at all).
# Environment settings (QRB_USESW, __GL_DISABLE_FASTPATH, ...) pass through.
set -euo pipefail
frames=4
if [ "${1:-}" = "-f" ]; then frames=$2; shift 2; fi
source "$(dirname "$0")/bench-build.sh" insncount

count() {  # scene frames [cpp] -> instructions
  qemu-i386 -plugin "$out/insncount.so,out=$out/count" "$prog" "$@" >&2
  cat "$out/count"
}

# Instructions per unit of a scene: scene units [cpp]
perUnit() {
  local s=$1 n=$2; shift 2
  local base full
  base=$(count "$s" 0 "$@")
  full=$(count "$s" "$frames" "$@")
  awk -v a="$full" -v b="$base" -v f="$frames" -v n="$n" 'BEGIN { printf "%.1f", (a - b) / (f * n) }'
}

scenes=("$@")
qemu-i386 "$prog" --list > "$out/list"
[ ${#scenes[@]} -eq 0 ] && mapfile -t scenes < <(cut -d" " -f1 "$out/list")
for s in "${scenes[@]}"; do
  read -r _ units unit < <(grep "^$s " "$out/list")
  case "$s" in
  mesh-*)
    gen=$(perUnit "$s" "$units")
    arrays=$(__GL_DISABLE_DYNAMIC_VERTEX=1 perUnit "$s" "$units")
    ratio=$(awk -v a="$arrays" -v g="$gen" 'BEGIN { printf "%.2f", a / g }')
    printf "%-24s %8s generated %8s C++ array routines (%sx)  instructions per %s\n" \
      "$s" "$gen" "$arrays" "$ratio" "$unit"
    # The vertex routines alone: the generated ones' own instructions (the
    # profile's vertex programs and strip routines), and the C++ run less the
    # work both runs share (the generated run's total less its routines).
    own=$(bash "$top/scripts/profile.sh" -n 100000 "$s" | awk '/\[(vertex-program|strip-routine)\./ { s += $1 } END { printf "%.1f", s }')
    awk -v g="$gen" -v a="$arrays" -v o="$own" -v s="$s" 'BEGIN {
      c = a - (g - o); printf "%-24s %8.1f generated %8.1f C++ in the vertex routines alone (%.2fx)\n", "", o, c, c / o }' ;;
  triangles-* | textured-*)
    mmx=$(perUnit "$s" "$units")
    x86=$(__GL_FORCE_MMX=0 perUnit "$s" "$units")
    cpp=$(perUnit "$s" "$units" cpp)
    printf "%-24s %8s generated MMX %8s generated x86 %8s C++ chain  instructions per %s\n" \
      "$s" "$mmx" "$x86" "$cpp" "$unit" ;;
  filter-* | blend-* | floor-* | layers-* | quads-*)
    road=$(perUnit "$s" "$units")
    chain=$(__GL_DISABLE_OG=1 perUnit "$s" "$units")
    cpp=$(perUnit "$s" "$units" cpp)
    printf "%-34s %8s default %8s chain (__GL_DISABLE_OG=1) %8s C++ alone  instructions per %s\n" \
      "$s" "$road" "$chain" "$cpp" "$unit" ;;
  *)
    printf "%-24s %8s instructions per %s\n" "$s" "$(perUnit "$s" "$units")" "$unit" ;;
  esac
done
