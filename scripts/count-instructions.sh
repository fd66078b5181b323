#!/usr/bin/env bash
# The repeatable figure of the plug-in's cost: the instructions its own code
# executes (the glue and the logic; not the game's routines it calls), counted
# by callgrind in the benchmark's world (the player, 50 other actors, 200 draw
# objects): per whole frame, per foreign draw object at a draw site, and per
# foreign actor at the body-pass site. Needs a machine that runs 32-bit
# programs natively (valgrind cannot run them under emulation).
#   bash scripts/count-instructions.sh
set -euo pipefail
cd "$(dirname "$0")/.."
if ! bash scripts/native32.sh; then
  echo "count-instructions: skipped: this machine runs 32-bit programs only under emulation," \
       "where valgrind cannot run them"
  exit 0
fi
bash scripts/build.sh > /dev/null
work=$(mktemp -d /tmp/lumenfold-count-XXXXXX)
trap 'rm -rf "$work"' EXIT

# The plug-in's own functions: those defined in its objects (the platform
# stand-ins of the Linux build are not the plug-in's). The glue is counted by
# its source file.
for object in $(ar t build/linux/liblumenfold_logic.a); do
  case "$object" in platform_linux.cpp.o|profile_file.cpp.o) continue ;; esac
  (cd "$work" && ar x "$OLDPWD/build/linux/liblumenfold_logic.a" "$object" &&
   nm -C --defined-only "$object" | awk '$2 ~ /^[TtWw]$/ { $1 = ""; $2 = ""; sub(/^  /, ""); print }')
done | sort -u > "$work/functions.txt"

count() { # work, repetitions -> instructions of the plug-in's code per repetition
  valgrind --tool=callgrind --callgrind-out-file="$work/$1.out" --collect-atstart=no \
    "--toggle-collect=*Measure*" build/linux/lumenfold_count "$1" "$2" > /dev/null 2>&1
  callgrind_annotate --inclusive=no --threshold=100 --auto=no "$work/$1.out" |
    awk -v n="$2" -v list="$work/functions.txt" '
      BEGIN { while ((getline f < list) > 0) own[f] = 1 }
      /^ *[0-9,]+ +\(/ {
        ir = $1; gsub(/,/, "", ir)
        line = $0; sub(/^ *[0-9,]+ +\([^)]*\) +/, "", line)   # "file:function [object]"
        sub(/ \[[^]]*\]$/, "", line)
        file = line; sub(/:.*/, "", file)
        fn = line; sub(/^[^:]*:/, "", fn)
        if (file ~ /(^|\/)patch\/glue\.S$/ || (fn in own)) total += ir
      }
      END { printf "%.1f", total / n }'
}
frame=$(count frame 200)
draw=$(count draw 20000)
actor=$(count actor 20000)
echo "instructions executed by the plug-in's own code (callgrind, native 32-bit):"
echo "  per whole frame (player, 50 other actors, 200 draw objects): $frame"
echo "  per foreign draw object at a draw site:                      $draw"
echo "  per foreign actor at the body-pass site:                     $actor"
