#!/usr/bin/env bash
# Builds everything and runs every test: the unit and simulation tests, the
# soak and its replays, the checks of the Windows DLL and the real DLL loaded
# under Wine; the instruction counts against their budget; then the same
# tests built with AddressSanitizer and UndefinedBehaviorSanitizer (where
# 32-bit programs run natively; UndefinedBehaviorSanitizer alone where they
# run only under emulation), and the fuzz targets of the readers.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
bash scripts/build.sh
(cd build/linux && ctest --output-on-failure -j "$jobs")

echo
echo "== the instructions of the plug-in's own code, held to bench/instruction-budget.txt"
bash scripts/count-instructions.sh --check bench/instruction-budget.txt

# The tests again with sanitizers: AddressSanitizer and UndefinedBehaviorSanitizer
# where 32-bit programs run natively; UndefinedBehaviorSanitizer alone where
# they run only under qemu's emulation (AddressSanitizer cannot run there).
emulator=""
if bash scripts/native32.sh; then
  sanitizers=ON
  echo
  echo "== the tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer"
else
  sanitizers=undefined
  emulator=$(command -v qemu-i386)
  echo
  echo "== the tests again, built with UndefinedBehaviorSanitizer alone: this machine runs"
  echo "   32-bit programs only under qemu's emulation, where AddressSanitizer cannot run"
fi
cmake -S . -B build/sanitize -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake \
  -DLUMENFOLD_SANITIZE="$sanitizers" -DCMAKE_CROSSCOMPILING_EMULATOR="$emulator" >/dev/null
cmake --build build/sanitize -j "$jobs" >/dev/null
(cd build/sanitize && ctest --output-on-failure -j "$jobs")

echo
echo "== fuzz targets of the scenario, settings and recording readers"
bash scripts/fuzz.sh
