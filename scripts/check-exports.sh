#!/usr/bin/env bash
# Checks the Windows OPENGL32.dll: it exports exactly the names of opengl32.def,
# undecorated, among them the 336 gl* entries, and imports no OpenGL or GLU library.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dll="$top/build/win/opengl32/OPENGL32.dll"
def="$top/opengl32/opengl32.def"
dump=$(i686-w64-mingw32-objdump -p "$dll")
actual=$(printf '%s\n' "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^\t\[/{print $NF;next} t&&!/^\t/{t=0}' | sort)
expected=$(awk '/^EXPORTS/{e=1;next} e&&NF&&$1!~/^;/{print $1}' "$def" | sort)
if [ "$actual" != "$expected" ]; then
  echo "export table differs from opengl32.def:"
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") || true
  exit 1
fi
gl=$(printf '%s\n' "$actual" | grep -c '^gl')
if [ "$gl" -ne 336 ]; then
  echo "expected 336 gl* exports, found $gl"
  exit 1
fi
if printf '%s\n' "$actual" | grep -q '@'; then
  echo "decorated export names found"
  exit 1
fi
if printf '%s\n' "$dump" | grep -iE 'DLL Name: *(opengl32|glu32)' >/dev/null; then
  echo "OPENGL32.dll imports an OpenGL or GLU library"
  exit 1
fi
echo "exports ok: $(printf '%s\n' "$actual" | wc -l) names, $gl gl* entries"
