#!/usr/bin/env bash
# Runs the per-frame benchmark (see README, "Performance"). Where the 32-bit
# programs run under emulation, it also measures how much slower emulation
# is for this kind of code, to translate the figures into native estimates.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
scripts/run32.sh build/linux/lumenfold_bench --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true --benchmark_min_time=0.5 "$@"

if ! bash scripts/native32.sh; then
  flags="-O2 -msse2 -mfpmath=sse -ffp-contract=off"
  g++ $flags bench/emulation_factor.cpp -o build/linux/emulation_factor_native
  g++ -m32 $flags bench/emulation_factor.cpp -o build/linux/emulation_factor_32
  native=$(build/linux/emulation_factor_native)
  emulated=$(qemu-i386 build/linux/emulation_factor_32)
  echo
  echo "emulation: the same float and name-search loop takes $native ns natively and" \
       "$emulated ns emulated: about $(awk "BEGIN{printf \"%.0f\", $emulated/$native}") times slower"
fi
