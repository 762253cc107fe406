#!/usr/bin/env bash
# Fuzz targets of the tools' readers (.mdg, .bmp, tile target file), libFuzzer + AddressSanitizer.
#   scripts/fuzz.sh replay                 runs every corpus and regression file once (CI)
#   scripts/fuzz.sh run READER SECONDS     fuzzes one reader (mdg, bmp or ttd) on one core; new
#                                          inputs go to fuzz/corpus/READER, crashes to build/fuzz/crashes
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out="$top/build/fuzz"
asan=ON
run=()
# A host that cannot run 32-bit programs runs the targets under qemu-i386, without AddressSanitizer
# (its shadow memory is far too slow there): such a run finds crashes, not silent overreads.
if ! "$top/scripts/runs-i386.sh"; then
  out="$top/build/fuzz-qemu" asan=OFF run=(qemu-i386)
  [ "${1:-replay}" = replay ] || echo "note: no 32-bit host; fuzzing under qemu-i386 without AddressSanitizer" >&2
fi
cmake -S "$top/fuzz" -B "$out" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DFUZZ_ASAN=$asan >/dev/null
cmake --build "$out" -j"${FUZZ_JOBS:-4}" >/dev/null
max_len() { [ "$1" = ttd ] && echo 310000 || echo 8192; }
case "${1:-replay}" in
  replay)
    for reader in mdg bmp ttd; do
      files=("$top/fuzz/corpus/$reader"/* "$top/fuzz/regressions/$reader"/*)
      existing=()
      for f in "${files[@]}"; do [ -f "$f" ] && existing+=("$f"); done
      "${run[@]}" "$out/fuzz_$reader" -runs=1 "${existing[@]}" >"$out/replay-$reader.log" 2>&1 ||
        { tail -40 "$out/replay-$reader.log"; echo "fuzz replay of $reader failed"; exit 1; }
      echo "fuzz replay $reader: ${#existing[@]} inputs ok"
    done
    ;;
  run)
    reader=$2 seconds=$3
    mkdir -p "$out/crashes/$reader" "$top/fuzz/corpus/$reader"
    cd "$out"
    # The corpus also as a list of files: a 32-bit libFuzzer under qemu lists no directory.
    seeds="$out/seeds-$reader"
    find "$top/fuzz/corpus/$reader" $(ls -d "$top/fuzz/regressions/$reader" 2>/dev/null) -type f | paste -sd, >"$seeds"
    "${run[@]}" "$out/fuzz_$reader" -max_total_time="$seconds" -max_len="$(max_len "$reader")" -timeout=20 -rss_limit_mb=2048 \
      -artifact_prefix="$out/crashes/$reader/" -print_final_stats=1 -seed_inputs=@"$seeds" "$top/fuzz/corpus/$reader"
    ;;
  *) echo "usage: $0 replay | run READER SECONDS" >&2; exit 2 ;;
esac
