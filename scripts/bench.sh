#!/usr/bin/env bash
# The per-frame benchmark (see README, "Performance"): Google Benchmark, each
# case with the plug-in's patches and with the game's own code at the sites.
# It says whether it ran natively or under emulation: only a native run gives
# figures for the README; an emulated one is slower by an unknown factor.
#   bash scripts/bench.sh [benchmark options]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
if bash scripts/native32.sh; then
  how="natively"
else
  how="under qemu's emulation (these are no native figures)"
fi
cpu=$(grep -m1 'model name' /proc/cpuinfo 2>/dev/null | cut -d: -f2 | sed 's/^ *//')
echo "bench: 32-bit programs run $how; $(nproc) cores of ${cpu:-an unknown processor}"
# The cases in a random order, their repetitions interleaved: what the
# machine does meanwhile falls on every case alike.
scripts/run32.sh build/linux/lumenfold_bench --benchmark_repetitions=5 \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true --benchmark_min_time=0.5 "$@"
echo "bench: ran $how"
