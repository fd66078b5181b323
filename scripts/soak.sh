#!/usr/bin/env bash
# A longer soak than the tests' own: random settings and game states through
# the patched sites, every frame audited, every seed replayed from its
# recording alone. A failing seed is written to out/ as a scenario that
# `lumenfold-sim run FILE --audit` runs again.
#   bash scripts/soak.sh [SEEDS] [FRAMES] [FIRST_SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
seeds=${1:-50000}
frames=${2:-50}
first=${3:-1}
bash scripts/build.sh >/dev/null
mkdir -p out
scripts/run32.sh build/linux/lumenfold-sim soak --seeds "$seeds" --frames "$frames" \
  --first-seed "$first" --replay --out out
