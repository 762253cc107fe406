#!/usr/bin/env bash
# Where a benchmark scene's instructions go: runs a glbench scene under
# qemu-i386 with the block-profile plugin for F frames and for 0 frames and
# prints, for the procedures with the largest difference, the instructions per
# unit of the scene (pixel or vertex) that each one executed.
#   scripts/profile.sh [-f FRAMES] [-n LINES] [-b BLOCKS] [-l NAME] scene [cpp]
# Generated routines are named by their cache and entry ("[walker.3]", ...,
# from the map glbench writes at its end); other code outside the program
# (shared libraries, the clears' fill routine) is shown as "[outside the
# program]". -b lists the BLOCKS hottest blocks of generated code with their
# instructions; -l NAME instead lists every instruction executed in the
# generated routines whose name holds NAME ("set-up", "vertex-program",
# "strip-routine", ...) with its executions per unit. Environment settings
# pass through, as for bench.sh.
set -euo pipefail
frames=4 lines=30 blocks=0 listing=
while [ $# -gt 0 ]; do
  case "$1" in
  -f) frames=$2; shift 2 ;;
  -n) lines=$2; shift 2 ;;
  -b) blocks=$2; shift 2 ;;
  -l) listing=$2; shift 2 ;;
  *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: scripts/profile.sh [-f FRAMES] [-n LINES] [-b BLOCKS] [-l NAME] scene [cpp]" >&2; exit 2; }
scene=$1; shift
source "$(dirname "$0")/bench-build.sh" insnprofile
read -r _ units unit < <(qemu-i386 "$prog" --list | grep "^$scene ")
with() { [ -n "$listing" ] && echo ",listing=$out/listing-$1"; }
qemu-i386 -plugin "$out/insnprofile.so,out=$out/profile-0$(with 0)" "$prog" "$scene" 0 "$@"
rm -f "$out"/codemap*
GLBENCH_CODE_MAP="$out/codemap" qemu-i386 -plugin "$out/insnprofile.so,out=$out/profile-f$(with f)" "$prog" "$scene" "$frames" "$@"
touch "$out/codemap"
if [ -n "$listing" ]; then
  python3 - "$out/listing-0" "$out/listing-f" "$out/codemap" "$frames" "$units" "$listing" <<'EOF'
import sys
base, full, codemap, frames, units, name = sys.argv[1:]
regions = [line.split() for line in open(codemap)]
regions = [(int(r[0], 16), int(r[1], 16), r[2]) for r in regions]
def named(a):
    return any(start <= a < end and name in what for start, end, what in regions)
def runs(path):
    counts, text = {}, {}
    for line in open(path):
        address, count, disassembly = line.rstrip("\n").split(" ", 2)
        a = int(address, 16)
        counts[a] = counts.get(a, 0) + int(count)
        text[a] = disassembly
    return counts, text
b, _ = runs(base)
f, text = runs(full)
per = float(frames) * float(units)
total = 0.0
for a in sorted(f):
    if named(a):
        value = (f[a] - b.get(a, 0)) / per
        total += value
        print("%8x %9.3f  %s" % (a, value, text[a]))
print("%18.2f  instructions in all" % total)
EOF
  exit 0
fi
nm -n --defined-only -C "$prog" | grep -i ' [tw] ' >"$out/symbols"
python3 - "$out/symbols" "$out/profile-0" "$out/profile-f" "$frames" "$units" "$unit" "$lines" "$out/codemap" "$blocks" <<'EOF'
import bisect, subprocess, sys
symbols, base, full, frames, units, unit, lines, codemap, blocks = sys.argv[1:]
starts, names = [], []
for line in open(symbols):
    address, _, name = line.rstrip("\n").split(" ", 2)
    starts.append(int(address, 16)); names.append(name)
regions = []  # (start, end, name, file, entry) of the generated routines
for line in open(codemap):
    start, end, name, path, entry = line.split()
    regions.append((int(start, 16), int(end, 16), name, path, int(entry, 16)))
def region(a):
    for r in regions:
        if r[0] <= a < r[1]: return r
    return None
def nameOf(a):
    i = bisect.bisect_right(starts, a) - 1
    if i >= 0 and a - starts[i] < 1 << 16: return names[i]
    r = region(a)
    return "[%s]" % r[2] if r else "[outside the program]"
def fold(path):
    total = {}
    for line in open(path):
        address, count = line.split()
        name = nameOf(int(address, 16))
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
# The hottest blocks of generated code: per unit, routine + offset from its entry.
hot = []
for line in open(full):
    address, count = line.split()
    a = int(address, 16)
    r = region(a) if nameOf(a).startswith("[") else None
    if r: hot.append((int(count) / per, a, r))
hot.sort(reverse=True)
for value, a, r in hot[: int(blocks)]:
    print("\n%10.2f [%s] entry%+d" % (value, r[2], a - r[4]))
    text = subprocess.run(["objdump", "-D", "-b", "binary", "-mi386", "-Mintel", "--adjust-vma=%#x" % r[0],
                           "--start-address=%#x" % a, "--stop-address=%#x" % min(a + 400, r[1]), r[3]],
                          capture_output=True, text=True).stdout.splitlines()
    body = [l for l in text if l.count("\t") >= 2 and l.split(":")[0].strip().isalnum()]
    for l in body[:60]:
        print("           " + l.strip())
        op = l.split("\t")[-1].split()
        if op and (op[0][0] == "j" or op[0] in ("call", "ret")): break
EOF
