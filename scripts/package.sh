#!/usr/bin/env bash
# Packs the player's archive from the two builds (scripts/build.sh):
#   OUT/Lumenfold-<version>.zip, whose root is the content of the game's Data
#   folder, as Wrye Bash, Mod Organizer 2 and Vortex expect it:
#     OBSE/Plugins/OBSE_Lumenfold.dll
#     OBSE/Plugins/OBSE_Lumenfold.ini   (every key at its default, explained)
#     Docs/Lumenfold Readme.txt
# The version comes from the file VERSION.
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
archive="$out/Lumenfold-$version.zip"
rm -f "$archive"
# Fixed times, so that the same tree packs into the same bytes.
find "$stage" -exec touch -h -d '2000-01-01 00:00:00' {} +
(cd "$stage" && zip -qX -r "$archive" OBSE Docs)
echo "$archive"
