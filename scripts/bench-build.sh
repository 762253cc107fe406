# Sourced by bench.sh and profile.sh: builds glbench and the named qemu plugin
# (bench/PLUGIN.c, built natively: it runs inside qemu) and sets top, out and
# prog. Software contexts unless QRB_USESW is set otherwise.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$top/build/bench"
mkdir -p "$out"
cmake -S "$top" -B "$top/build/host" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/host-i686.cmake" >/dev/null
cmake --build "$top/build/host" --target glbench -j"$(nproc 2>/dev/null || echo 4)" >/dev/null
cc -O2 -shared -fPIC -o "$out/$1.so" "$top/bench/$1.c"
prog="$top/build/host/bench/glbench"
export QRB_USESW=${QRB_USESW-1}
