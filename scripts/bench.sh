#!/usr/bin/env bash
# Runs the per-frame benchmark (see README, "Performance").
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
scripts/run32.sh build/linux/lumenfold_bench --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true --benchmark_min_time=0.5 "$@"
