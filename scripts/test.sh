#!/usr/bin/env bash
# Builds everything and runs every test: the unit and simulation tests, the
# checks of the Windows DLL, and the real DLL loaded under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
cd build/linux
ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
