#!/usr/bin/env bash
# Packs the two archives of a release from the two builds (scripts/build.sh):
#   OUT/Lumenfold-<version>.zip, the player's, whose root is the content of the
#   game's Data folder, as Wrye Bash, Mod Organizer 2 and Vortex expect it:
#     OBSE/Plugins/OBSE_Lumenfold.dll
#     OBSE/Plugins/OBSE_Lumenfold.ini   (every key at its default, explained)
#     Docs/Lumenfold Readme.txt
#   OUT/Lumenfold-Tools-<version>.zip, the simulator for Windows with the
#   documented scenarios, the pose scenarios of the README's pictures and the
#   documentation, in the folders they have in the repository (so that the
#   README's examples run as written in the archive's folder):
#     lumenfold-sim.exe, lumenfold-sim.dll, docs/scenarios.md, docs/simulated-game.md,
#     docs/recording.md, docs/other-plugins.md, docs/scenarios/*.json,
#     docs/pose/*.json, docs/pose/higher-eye.ini, and for authors of other
#     plug-ins sdk/lumenfold_api.h
# The version comes from the file VERSION. Prints the two archives' paths.
#   bash scripts/package.sh OUT
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:?usage: package.sh OUT}
mkdir -p "$out"
out=$(cd "$out" && pwd)
version=$(head -n 1 VERSION)
sim="scripts/run32.sh build/linux/lumenfold-sim"
stage=$(mktemp -d /tmp/lumenfold-package-XXXXXX)
trap 'rm -rf "$stage"' EXIT

mkdir -p "$stage/OBSE/Plugins" "$stage/Docs" "$out"
cp build/windows/OBSE_Lumenfold.dll "$stage/OBSE/Plugins/"
$sim ini > "$stage/OBSE/Plugins/OBSE_Lumenfold.ini"
$sim readme > "$stage/Docs/Lumenfold Readme.txt"
# Zips a folder's content with fixed times, so that the same tree packs into
# the same bytes.
pack() { # folder, archive
  find "$1" -exec touch -h -d '2000-01-01 00:00:00' {} +
  rm -f "$2"
  (cd "$1" && zip -qX -r "$2" .)
  echo "$2"
}
pack "$stage" "$out/Lumenfold-$version.zip"

tools="$stage/../$(basename "$stage")-tools"
mkdir -p "$tools/docs/scenarios" "$tools/docs/pose" "$tools/sdk"
trap 'rm -rf "$stage" "$tools"' EXIT
cp build/windows/lumenfold-sim.exe build/windows/lumenfold-sim.dll "$tools/"
cp docs/scenarios.md docs/recording.md docs/simulated-game.md docs/other-plugins.md "$tools/docs/"
cp sdk/lumenfold_api.h "$tools/sdk/"
cp docs/scenarios/*.json "$tools/docs/scenarios/"
cp docs/pose/*.json docs/pose/*.ini "$tools/docs/pose/"
pack "$tools" "$out/Lumenfold-Tools-$version.zip"
