#!/usr/bin/env bash
# Where a benchmark scene's instructions go: runs a glbench scene under
# qemu-i386 with the block-profile plugin for F frames and for 0 frames and
# prints, for the procedures with the largest difference, the instructions per
# unit of the scene (pixel or vertex) that each one executed.
#   scripts/profile.sh [-f FRAMES] [-n LINES] scene [cpp]
# Code outside the program (generated routines, shared libraries) is shown as
# "[outside the program]". Environment settings pass through, as for bench.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
frames=4 lines=30
while [ $# -gt 0 ]; do
  case "$1" in
  -f) frames=$2; shift 2 ;;
  -n) lines=$2; shift 2 ;;
  *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: scripts/profile.sh [-f FRAMES] [-n LINES] scene [cpp]" >&2; exit 2; }
scene=$1; shift
out="$top/build/bench"
mkdir -p "$out"
cmake -S "$top" -B "$top/build/host" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/host-i686.cmake" >/dev/null
cmake --build "$top/build/host" --target glbench -j"$(nproc 2>/dev/null || echo 4)" >/dev/null
cc -O2 -shared -fPIC -o "$out/insnprofile.so" "$top/bench/insnprofile.c"
prog="$top/build/host/bench/glbench"
export QRB_USESW=${QRB_USESW-1}
read -r _ units unit < <(qemu-i386 "$prog" --list | grep "^$scene ")
qemu-i386 -plugin "$out/insnprofile.so,out=$out/profile-0" "$prog" "$scene" 0 "$@"
qemu-i386 -plugin "$out/insnprofile.so,out=$out/profile-f" "$prog" "$scene" "$frames" "$@"
nm -n --defined-only -C "$prog" | grep -i ' [tw] ' >"$out/symbols"
python3 - "$out/symbols" "$out/profile-0" "$out/profile-f" "$frames" "$units" "$unit" "$lines" <<'EOF'
import bisect, sys
symbols, base, full, frames, units, unit, lines = sys.argv[1:]
starts, names = [], []
for line in open(symbols):
    address, _, name = line.rstrip("\n").split(" ", 2)
    starts.append(int(address, 16)); names.append(name)
def fold(path):
    total = {}
    for line in open(path):
        address, count = line.split()
        a = int(address, 16)
        i = bisect.bisect_right(starts, a) - 1
        name = names[i] if i >= 0 and a - starts[i] < 1 << 16 else "[outside the program]"
        total[name] = total.get(name, 0) + int(count)
    return total
b, f = fold(base), fold(full)
per = float(frames) * float(units)
rows = sorted(((f.get(n, 0) - b.get(n, 0)) / per, n) for n in set(b) | set(f))
rows.reverse()
print("%-10s %s" % ("per " + unit, "procedure"))
for value, name in rows[: int(lines)]:
    print("%10.2f %s" % (value, name[:110]))
print("%10.2f %s" % (sum(v for v, _ in rows), "in all"))
EOF
