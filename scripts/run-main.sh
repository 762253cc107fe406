#!/usr/bin/env bash
# The main job: builds the two tool programs in both flavours, makes the sample data, then runs each on it
# twice with a scripted user, once on the simulated ravix2x board and once in software
# ("QRB_USESW"), writing every frame as a .bmp, and compares the last frames of the two runs.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
start=$(date +%s)
out="$top/build/main"
rm -rf "$out"
mkdir -p "$out"
# The two programs in both flavours (the Windows ones with OPENGL32.dll and ravix2x.dll).
jobs=$(nproc 2>/dev/null || echo 4)
build() {  # FLAVOUR TOOLCHAIN TARGETS...
  local flavour=$1 toolchain=$2
  shift 2
  { cmake -S "$top" -B "$top/build/$flavour" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$toolchain" &&
      cmake --build "$top/build/$flavour" --target "$@" -j"$jobs"; } >"$out/build-$flavour.log" 2>&1 ||
    { tail -n 30 "$out/build-$flavour.log"; echo "build failed: $out/build-$flavour.log"; return 1; }
}
build host host-i686.cmake mdgview targedit &
host=$!
build win mingw-i686.cmake mdgview targedit opengl32 ravix2x || exit 1
wait "$host" || exit 1
echo "built: $top/build/host/tools/{mdgview,targedit} and $top/build/win/tools/{mdgview,targedit}.exe"
python3 "$top/samples/make-samples.py" "$out"
tools="$top/build/host/tools"

# Both programs run on a desktop of the board's 640x480: the editor's screen-sized window and view
# are then the board's, and both renderings draw the same view from the bottom-left corner.
export STANDIN_DISPLAY=640x480

# Runs PROGRAM in FOLDER with SCRIPT on the board (FRAMES/board) and in software (FRAMES/software);
# prints the frame counts and the comparison of the last frames.
run_pair() {
  local program=$1 folder=$2 script=$3 frames=$4
  mkdir -p "$frames/board" "$frames/software" "$frames/window/board" "$frames/window/software"
  # The board's call trace goes through a pipe: only whether it downloaded textures is kept.
  local fifo="$out/trace.fifo"
  rm -f "$fifo"
  mkfifo "$fifo"
  (grep -c "rvTexDownloadMipMapLevel" <"$fifo" >"$out/texture-downloads" || true) &
  (cd "$folder" && STANDIN_INPUT="$script" RAVIX2X_DUMP_DIR="$frames/board" RAVIX2X_TRACE="$fifo" \
     qemu-i386 "$tools/$program" >"$frames/board.log" 2>&1) || echo "$program on the board exited with $?"
  # A program that never opened the trace must not leave its reader waiting for a writer.
  exec 3<>"$fifo"
  exec 3>&-
  wait
  rm -f "$fifo"
  # The script's "picture" lines leave whole-window pictures in the program's folder.
  mv "$folder"/*-[0-9]-*.bmp "$frames/window/board/" 2>/dev/null || true
  (cd "$folder" && STANDIN_INPUT="$script" QRB_USESW=1 TOOLS_FRAME_DIR="$frames/software" \
     qemu-i386 "$tools/$program" >"$frames/software.log" 2>&1) || echo "$program in software exited with $?"
  mv "$folder"/*-[0-9]-*.bmp "$frames/window/software/" 2>/dev/null || true
  local board software textured=no
  board=$(ls "$frames/board" | sort | tail -n 1)
  software=$(ls "$frames/software" | sort | tail -n 1)
  [ "$(cat "$out/texture-downloads")" -gt 0 ] && textured=yes
  echo "$program: $(ls "$frames/board" | wc -l) board frames in $frames/board, $(ls "$frames/software" | wc -l) software frames in $frames/software"
  echo "$program: whole-window pictures: $(ls "$frames/window/board" | tr '\n' ' ')in $frames/window/board and $frames/window/software"
  if [ -n "$board" ] && [ -n "$software" ]; then
    echo "$program: last frames: $(python3 "$top/scripts/compare-frames.py" "$frames/board/$board" \
      "$frames/software/$software" "$textured")"
  fi
}

echo "== mdgview: the sample vase ($out/viewer/s1.mdg, texture blank.bmp), turned and zoomed by a scripted drag"
run_pair mdgview "$out/viewer" "$top/samples/viewer.txt" "$out/frames/mdgview"
python3 "$top/scripts/check-window-pictures.py" gl "$out/frames/mdgview/window/software/viewer-3-end.bmp" \
  "$out/frames/mdgview/software/$(ls "$out/frames/mdgview/software" | sort | tail -n 1)" || true
echo "mdgview: output.txt (board run, then software run): $(tr '\n' ' ' <"$out/viewer/output.txt")"

echo "== targedit: the sample tile target file ($out/editor/sample.ttd) edited by a scripted user"
run_pair targedit "$out/editor" "$top/samples/editor.txt" "$out/frames/targedit"
for kind in board software; do
  python3 "$top/scripts/check-window-pictures.py" map "$out/frames/targedit/window/$kind/editor-4-end.bmp" || true
done
if [ -f "$out/editor/saved.ttd" ]; then
  echo "targedit: saved $out/editor/saved.ttd ($(stat -c %s "$out/editor/saved.ttd") bytes)"
fi
echo "== done in $(( $(date +%s) - start )) s"
