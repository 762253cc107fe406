#!/usr/bin/env bash
# The instruction pairs of a scene's generated code: runs scripts/profile.sh
# -l NAME with glbench writing the pair map of the instructions its library
# encoded, and prints per unit of the scene (pixel or vertex) the
# instructions executed in the generated routines whose name holds NAME
# (default: every generated routine) and the pairs among them that the
# scheduler's pairing rules let issue together (adjacent instructions, in
# order, each pair counted as often as the less executed of the two runs).
#   scripts/pairs.sh [-f FRAMES] [-l NAME] scene [cpp]
# Environment settings pass through, as for bench.sh.
set -euo pipefail
frames=4 name=.
while [ $# -gt 0 ]; do
  case "$1" in
  -f) frames=$2; shift 2 ;;
  -l) name=$2; shift 2 ;;
  *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: scripts/pairs.sh [-f FRAMES] [-l NAME] scene [cpp]" >&2; exit 2; }
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
map="$top/build/bench/pairmap"
rm -f "$map"
GLBENCH_PAIR_MAP="$map" bash "$top/scripts/profile.sh" -f "$frames" -l "$name" "$@" >"$map.listing"
python3 - "$map" "$map.listing" "$1" <<'PY'
import sys
pairmap, listing, scene = sys.argv[1:]
entries = {}
for line in open(pairmap):
    address, size, paired = line.split()
    entries[int(address, 16)] = (int(size), paired == "1")
runs = {}
for line in open(listing):
    words = line.split()
    if len(words) >= 2 and not line.startswith(" " * 10):
        try:
            runs[int(words[0], 16)] = float(words[1])
        except ValueError:
            pass
insns = sum(runs.values())
pairs = 0.0
for a, v in runs.items():
    size, paired = entries.get(a, (0, False))
    if paired:
        pairs += min(v, runs.get(a + size, 0.0))
print("%-24s %9.2f instructions %9.2f pairs (%4.1f%% of the instructions paired)" %
      (scene, insns, pairs, 200.0 * pairs / insns if insns else 0.0))
PY
