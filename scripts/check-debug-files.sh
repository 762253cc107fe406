#!/usr/bin/env bash
# Checks that the Windows deliverables (the two DLLs and the two tools) ship without debug
# sections: each keeps only a debug link to the <file>.debug beside it, which holds the sections.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
for dll in "$top/build/win/opengl32/OPENGL32.dll" "$top/build/win/ravix2x/ravix2x.dll" \
           "$top/build/win/tools/mdgview.exe" "$top/build/win/tools/targedit.exe"; do
  sections=$(i686-w64-mingw32-objdump -h "$dll")
  if printf '%s\n' "$sections" | grep -q ' \.debug_'; then
    echo "$(basename "$dll") still has debug sections"
    exit 1
  fi
  if ! printf '%s\n' "$sections" | grep -q ' \.gnu_debuglink'; then
    echo "$(basename "$dll") has no debug link"
    exit 1
  fi
  if ! i686-w64-mingw32-objdump -h "$dll.debug" | grep -q ' \.debug_info'; then
    echo "$(basename "$dll").debug holds no debug sections"
    exit 1
  fi
done
echo "debug files ok: the DLLs and the tools link to their .debug files"
