#!/usr/bin/env bash
# The repeatable figure of the plug-in's cost: the instructions its own code
# executes (the glue and the logic; not the game's routines it calls) in the
# benchmark's world (the player, 50 other actors, 200 draw objects): per
# whole frame, per foreign draw object at a draw site, per foreign actor at
# the body-pass site, and per whole frame with the plug-in watching the
# settings file or recording its last 600 frames.
#
# Where 32-bit programs run natively they are counted by callgrind; where
# they run only under qemu, from qemu's log of every instruction it executes
# (one instruction per block, no chaining): the same instructions, so the
# same counts, but no figure of time.
#   bash scripts/count-instructions.sh [--check BUDGET_FILE]
# With --check, the counts are held to the budget file ("frame N", "draw N",
# "actor N", and with recording on "recording N" per frame and
# "recording-bytes N" kept per frame): more than 2 % over any of them fails.
set -euo pipefail
cd "$(dirname "$0")/.."
budget=""
if [ "${1:-}" = "--check" ]; then
  budget=${2:?usage: count-instructions.sh [--check BUDGET_FILE]}
  budget=$(cd "$(dirname "$budget")" && pwd)/$(basename "$budget")
fi
bash scripts/build.sh > /dev/null
work=$(mktemp -d /tmp/lumenfold-count-XXXXXX)
trap 'rm -rf "$work"' EXIT
exe=build/linux/lumenfold_count
library=build/linux/liblumenfold_logic.a

if bash scripts/native32.sh; then
  counter=callgrind
  command -v valgrind > /dev/null || { echo "count-instructions: valgrind is not installed"; exit 1; }
else
  counter=qemu
  command -v qemu-i386 > /dev/null || { echo "count-instructions: qemu-i386 is not installed"; exit 1; }
fi

# The plug-in's own functions: those defined in its objects (the platform
# stand-ins of the Linux build are not the plug-in's), the glue among them.
# callgrind names them demangled, the executable's table mangled.
names() { # nm options
  for object in $(ar t "$library"); do
    case "$object" in platform_linux.cpp.o|profile_file.cpp.o) continue ;; esac
    (cd "$work" && ar x "$OLDPWD/$library" "$object" &&
     nm "$@" --defined-only "$object" | awk '$2 ~ /^[TtWw]$/ { $1 = ""; $2 = ""; sub(/^  /, ""); print }')
  done | sort -u
}

if [ "$counter" = callgrind ]; then
  names -C > "$work/functions.txt"
else
  names > "$work/functions.txt"
  # Every function of the executable with its range; a function without a
  # size (the glue's labels) runs to the next one.
  nm -S --defined-only --numeric-sort "$exe" |
    awk '$NF !~ /^\./ && (NF == 4 && $3 ~ /^[TtWw]$/ || NF == 3 && $2 ~ /^[TtWw]$/)' > "$work/symbols.txt"
fi

count() { # work, repetitions, [recording] -> instructions of the plug-in's code per repetition
  local out="$work/$1${3:+-$3}"
  if [ "$counter" = callgrind ]; then
    valgrind --tool=callgrind --callgrind-out-file="$out.cg" --collect-atstart=no \
      "--toggle-collect=*Measure*" "$exe" "$1" "$2" ${3:+"$3"} > "$out.txt" 2>/dev/null
    callgrind_annotate --inclusive=no --threshold=100 --auto=no "$out.cg" |
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
  else
    # Counted from the first instruction of Measure() until main() runs again.
    qemu-i386 -singlestep -d exec,nochain -D /dev/stderr "$exe" "$1" "$2" ${3:+"$3"} \
      2>&1 > "$out.txt" |
      awk -v n="$2" -v list="$work/functions.txt" -v symbols="$work/symbols.txt" '
        function hex(s,   i, v) {
          v = 0; s = tolower(s)
          for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
          return v
        }
        BEGIN {
          while ((getline f < list) > 0) own[f] = 1
          k = 0
          while ((getline line < symbols) > 0) {
            m = split(line, p, " ")
            start[k] = hex(p[1]); size[k] = m == 4 ? hex(p[2]) : 0; name[k] = p[m]; k++
          }
          for (i = 0; i < k; i++) {
            stop[i] = size[i] > 0 ? start[i] + size[i] : (i + 1 < k ? start[i + 1] : start[i] + 1)
            if (name[i] ~ /Measure/ && name[i] !~ /\.cold/) measure = start[i]
            if (name[i] == "main") { mainStart = start[i]; mainStop = stop[i] }
          }
          symbolCount = k
        }
        # Each address once: 2 the first instruction of Measure(), -1 main(),
        # 1 the plug-in code, 0 anything else.
        function kind(s,   pc, lo, hi, mid, found) {
          pc = hex(s)
          if (pc == measure) return 2
          if (pc >= mainStart && pc < mainStop) return -1
          lo = 0; hi = symbolCount - 1; found = -1
          while (lo <= hi) {
            mid = int((lo + hi) / 2)
            if (start[mid] <= pc) { found = mid; lo = mid + 1 } else hi = mid - 1
          }
          return found >= 0 && pc < stop[found] && (name[found] in own) ? 1 : 0
        }
        /^Trace / {
          s = $0; sub(/^[^[]*\[[0-9a-f]*\//, "", s); sub(/\/.*/, "", s)
          if (!(s in known)) known[s] = kind(s)
          c = known[s]
          if (c == 2) inside = 1
          else if (c < 0) inside = 0
          else if (inside) total += c
        }
        END { printf "%.1f", total / n }'
  fi
}

if [ "$counter" = callgrind ]; then
  frame=$(count frame 200); draw=$(count draw 20000); actor=$(count actor 20000)
  recorded=$(count frame 200 recording); watching=$(count frame 200 watching)
  machine="callgrind, native 32-bit"
else
  frame=$(count frame 20); draw=$(count draw 1000); actor=$(count actor 1000)
  recorded=$(count frame 20 recording); watching=$(count frame 20 watching)
  machine="qemu's instruction log: 32-bit programs run only under emulation here"
fi
echo "instructions executed by the plug-in's own code ($machine):"
echo "  per whole frame (player, 50 other actors, 200 draw objects): $frame"
echo "  per foreign draw object at a draw site:                      $draw"
echo "  per foreign actor at the body-pass site:                     $actor"
echo "  per whole frame, watching the settings file:                 $watching"
echo "  per whole frame, recording the last 600 frames:              $recorded"
sed -n 's/^recorded bytes per frame: /  recording kept per frame: /p' "$work/frame-recording.txt"
recordedBytes=$(sed -n 's/^recorded bytes per frame: \([0-9]*\).*/\1/p' "$work/frame-recording.txt")

[ -n "$budget" ] || exit 0
fail=0
# A count that measured nothing must not pass as cheap: a count under half of
# its budget, or zero, says the counting broke (a pattern that matches no
# function, a log that lost its lines), not that the plug-in got faster.
broken() { # what, got, expected at least
  echo "count-instructions: the $1 count of $2 instructions looks broken: it should be at" \
       "least $3 (the counting measured nothing, or far too little; see $0)"
  fail=1
}
seen=""
while read -r what limit; do
  case "$what" in ''|'#'*) continue ;; esac
  case "$what" in
    frame) got=$frame ;; draw) got=$draw ;; actor) got=$actor ;;
    recording) got=$recorded ;; recording-bytes) got=${recordedBytes:-0} ;;
    *) echo "count-instructions: $budget: unknown count \"$what\""; fail=1; continue ;;
  esac
  seen="$seen $what"
  if awk -v got="$got" -v limit="$limit" 'BEGIN { exit !(got <= 0 || got < limit * 0.5) }'; then
    broken "$what" "$got" "half of its budget of $limit"
    continue
  fi
  # The bytes a recorded frame keeps are held to their figure exactly.
  if [ "$what" = recording-bytes ]; then
    if [ "$got" -gt "$limit" ]; then
      echo "count-instructions: a recorded frame keeps $got bytes, more than its budget of" \
           "$limit ($budget)"
      fail=1
    fi
  elif awk -v got="$got" -v limit="$limit" 'BEGIN { exit !(got > limit * 1.02) }'; then
    echo "count-instructions: the $what costs $got instructions, more than 2 % over its budget" \
         "of $limit ($budget): make it cheaper, or raise the budget in the same change and say why"
    fail=1
  fi
done < "$budget"
for what in frame draw actor recording recording-bytes; do
  case "$seen " in *" $what "*) ;; *) echo "count-instructions: $budget gives no budget for the $what"; fail=1 ;; esac
done
# A recorded frame costs at most three plain ones.
if awk -v got="$recorded" -v frame="$frame" 'BEGIN { exit !(got > 3 * frame) }'; then
  echo "count-instructions: a recorded frame costs $recorded instructions, more than three" \
       "times the plain frame's $frame"
  fail=1
fi
# Watching the file and recording do all that the plain frame does, and more.
for pair in "watching:$watching" "recording:$recorded"; do
  what=${pair%%:*}; got=${pair#*:}
  if awk -v got="$got" -v frame="$frame" 'BEGIN { exit !(got <= 0 || got < frame) }'; then
    broken "frame $what" "$got" "the plain frame's $frame"
  fi
done
[ "$fail" -eq 0 ] && echo "count-instructions: within the budget of $budget"
exit $fail
