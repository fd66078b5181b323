#!/usr/bin/env bash
# Draws the pictures of the README: the body, the cameras and the view
# through the camera of each pose scenario in docs/pose/ looking ahead (frame
# 1), with the default settings and with the eye 10 units higher
# (docs/pose/higher-eye.ini), and looking down (frame 2), into OUT (docs/pose
# by default). Needs the Linux build (scripts/build.sh).
#   bash scripts/pose-pictures.sh [OUT]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/pose}
mkdir -p "$out"
for scenario in docs/pose/*.json; do
  name=$(basename "$scenario" .json)
  scripts/run32.sh build/linux/lumenfold-sim run "$scenario" --pose 1 \
    --svg "$out/$name.svg" --trace /dev/null 2>/dev/null
  scripts/run32.sh build/linux/lumenfold-sim run "$scenario" --pose 1 \
    --settings docs/pose/higher-eye.ini --svg "$out/$name-higher-eye.svg" --trace /dev/null 2>/dev/null
  scripts/run32.sh build/linux/lumenfold-sim run "$scenario" --pose 2 \
    --svg "$out/$name-down.svg" --trace /dev/null 2>/dev/null
done
ls "$out"/*.svg
