#!/usr/bin/env bash
# The main job: builds the plug-in, packs it for a mod manager, and runs the
# demo scenario in the simulated game.
#   out/Lumenfold.zip     Data/OBSE/Plugins/OBSE_Lumenfold.dll and .ini
#   out/demo-trace.jsonl  one JSON line per simulated frame
#   out/demo.svg          a picture of the demo run
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh

out=out
rm -rf "$out/package" "$out/Lumenfold.zip"
plugins="$out/package/Data/OBSE/Plugins"
mkdir -p "$plugins"
cp build/windows/OBSE_Lumenfold.dll "$plugins/"
scripts/run32.sh build/linux/lumenfold-sim ini > "$plugins/OBSE_Lumenfold.ini"
(cd "$out/package" && zip -qr ../Lumenfold.zip Data)

scripts/run32.sh build/linux/lumenfold-sim run docs/scenarios/demo.json \
  --trace "$out/demo-trace.jsonl" --svg "$out/demo.svg"

echo
echo "release: $out/Lumenfold.zip ($(unzip -Z1 "$out/Lumenfold.zip" | grep -v '/$' | tr '\n' ' '))"
echo "release: demo trace $out/demo-trace.jsonl, picture $out/demo.svg"
