#!/usr/bin/env bash
# The main job: builds the plug-in, packs it for the players' installers, and
# runs the demo scenario in the simulated game.
#   out/Lumenfold-<version>.zip  OBSE/Plugins/OBSE_Lumenfold.dll and .ini,
#                                Docs/Lumenfold Readme.txt
#   out/Lumenfold-Tools-<version>.zip  lumenfold-sim.exe for Windows, with the
#                                documented scenarios and the pose scenarios in
#                                docs/, as in the repository
#   out/demo-trace.jsonl         one JSON line per simulated frame
#   out/demo.svg                 a picture of the demo run
#   docs/pose/*.svg              the README's pictures of the body and the camera
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
archives=$(bash scripts/package.sh out)

scripts/run32.sh build/linux/lumenfold-sim run docs/scenarios/demo.json \
  --trace out/demo-trace.jsonl --svg out/demo.svg
bash scripts/pose-pictures.sh docs/pose > /dev/null

echo
for archive in $archives; do
  echo "release: $archive ($(unzip -Z1 "$archive" | grep -v '/$' | wc -l) files)"
done
echo "release: demo trace out/demo-trace.jsonl, picture out/demo.svg"
echo "release: pose pictures docs/pose/*.svg"
