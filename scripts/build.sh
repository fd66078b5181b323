#!/usr/bin/env bash
# Builds both: the Windows plug-in DLL (build/windows/OBSE_Lumenfold.dll) and
# the 32-bit Linux build with the simulated game, the tests and the tools
# (build/linux). Extra arguments go to both CMake configurations.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build build/windows -j "$jobs"

# Where the kernel cannot run 32-bit programs, the tests run under qemu.
emulator=""
if ! bash scripts/native32.sh; then
  emulator=$(command -v qemu-i386 || true)
  [ -n "$emulator" ] || { echo "build: this kernel runs no 32-bit programs and qemu-i386 is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
fi
cmake -S . -B build/linux -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$emulator" \
  -DLUMENFOLD_DLL="$PWD/build/windows/OBSE_Lumenfold.dll" "$@" >/dev/null
cmake --build build/linux -j "$jobs"
