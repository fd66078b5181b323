#!/usr/bin/env bash
# Fuzzes the three readers that take a player's files (scenarios, the
# settings file and recordings of frames) with libFuzzer from clang: a fixed
# number of runs from a fixed seed, starting from the documented scenarios, a
# few settings files and recordings of the documented scenarios made by the
# Linux build (scripts/build.sh). The recording reader's target has a mutator
# that knows the format (tests/fuzz/recording_mutator.cpp) and checks the
# heap each replay holds against its bound (where AddressSanitizer runs). Any crash, hang, sanitizer report or broken promise of a reader
# fails. With AddressSanitizer and UndefinedBehaviorSanitizer where 32-bit
# programs run natively; with the latter alone, and fewer runs, where they
# run only under qemu's emulation (AddressSanitizer cannot run there).
#   bash scripts/fuzz.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
# Runs of the scenario reader; the settings reader reads a file per run and
# gets a quarter of them, the recording reader (which replays every file it
# accepts, and whose mutator knows the format, so that most inputs are
# replayed) a four-hundredth, on inputs up to 256 KB.
runs=${1:-}
if bash scripts/native32.sh; then
  sanitizers=address,undefined
  : "${runs:=400000}"
else
  sanitizers=undefined
  : "${runs:=100000}"
  echo "fuzz: 32-bit programs run under emulation here: UndefinedBehaviorSanitizer only"
fi
command -v clang++ >/dev/null || { echo "fuzz: clang++ is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DLUMENFOLD_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_LIBRARY_ARCHITECTURE=i386-linux-gnu -DLF_FUZZ_SANITIZERS="$sanitizers" >/dev/null
cmake --build build/fuzz -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

work=$(mktemp -d /tmp/lumenfold-fuzz-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/scenario" "$work/settings" "$work/recording"
cp docs/scenarios/*.json "$work/scenario/"
cp tests/fuzz/settings-corpus/* "$work/settings/"
for s in docs/scenarios/*.json; do
  scripts/run32.sh build/linux/lumenfold-sim record "$s" \
    --out "$work/recording/$(basename "$s" .json).rec" > /dev/null
done
# And a recording of 400 frames, nearly 1 MB, fuzzed on its own after the
# others (a few runs: each replays its 400 frames): inputs of that size.
mkdir -p "$work/long"
printf '%s' '{"settings": ["[Main]", "bEnableHeadBob=1"], "steps": [{"frames": 200},
  {"set": {"process.SitState": 3, "player.ThirdPerson": 1}, "cameraSwitch": "sitting",
   "frames": 200}]}' > "$work/long.json"
scripts/run32.sh build/linux/lumenfold-sim record "$work/long.json" \
  --out "$work/long/long.rec" > /dev/null
for target in scenario settings recording long; do
  n=$runs
  len=4096
  program=$target
  [ "$target" = settings ] && n=$((runs / 4))
  [ "$target" = recording ] && n=$((runs / 400)) && len=262144
  [ "$target" = long ] && n=$((runs / 4000)) && len=1048576 && program=recording
  echo "fuzz: $program reader ($target corpus), $n runs, inputs up to $len bytes"
  if ! scripts/run32.sh "build/fuzz/fuzz_$program" -runs="$n" -seed=1 -max_len="$len" \
       -timeout=10 -rss_limit_mb=1024 -artifact_prefix="$work/" -print_final_stats=0 \
       "$work/$target" > "$work/$target.log" 2>&1; then
    tail -40 "$work/$target.log"
    for crash in "$work"/crash-* "$work"/timeout-* "$work"/oom-*; do
      [ -e "$crash" ] && { echo "fuzz: input that failed ($crash):"; od -c "$crash" | head -20; }
    done
    echo "fuzz: the $program reader failed ($target corpus)"
    exit 1
  fi
  grep -E "^Done|^#[0-9]+ *DONE" "$work/$target.log" | tail -1
  # The recording reader's tally: what was replayed, what refused and why.
  sed -n '/^fuzz_recording: what became/,$p' "$work/$target.log" | grep -E "^fuzz_recording|^  " || true
done
echo "fuzz: the three readers passed (the recordings read were replayed)"
