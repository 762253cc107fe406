#!/usr/bin/env bash
# Installs the toolchain both build flavours need (idempotent; quick when all is there).
set -u
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
printf 'int main(){}\n' | g++ -m32 -x c++ - -o /dev/null 2>/dev/null || need+=(g++-multilib)
command -v i686-w64-mingw32-g++ >/dev/null || need+=(g++-mingw-w64-i686)
command -v qemu-i386 >/dev/null || need+=(qemu-user)
[ -d /usr/src/googletest/googletest ] || need+=(googletest)
command -v python3 >/dev/null || need+=(python3)
# The stand-in GDI's fonts: tables made from DejaVu Sans and Sans Mono with fontTools.
[ -f /usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf ] || need+=(fonts-dejavu-core)
/usr/bin/python3 -c 'import fontTools' 2>/dev/null || need+=(python3-fonttools)
# The readers' fuzz targets: clang with its 32-bit libFuzzer and AddressSanitizer runtimes.
command -v clang++ >/dev/null || need+=(clang)
printf 'extern "C" int LLVMFuzzerTestOneInput(const char *, unsigned long) { return 0; }\n' |
  clang++ -m32 -fsanitize=fuzzer,address -x c++ - -o /dev/null 2>/dev/null || need+=(libclang-rt-dev)
if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "installing: ${need[*]}"
# A failing index must not stop the install of what the other indexes hold.
$SUDO apt-get update -q || true
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${need[@]}"
