#!/usr/bin/env bash
# Exits 0 when this host runs 32-bit x86 programs natively (or through a registered emulator).
set -u
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'int main(){return 0;}\n' | g++ -m32 -x c++ - -o "$dir/probe" 2>/dev/null && "$dir/probe" 2>/dev/null
