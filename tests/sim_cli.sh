#!/usr/bin/env bash
# The simulator's command line: a clear message and a non-zero exit for
# malformed input, the settings report on a real file, and recordings made,
# replayed and refused.
set -uo pipefail
sim=${1:?usage: sim_cli.sh LUMENFOLD_SIM}
run32=$(cd "$(dirname "$0")/../scripts" && pwd)/run32.sh
work=$(mktemp -d /tmp/lumenfold-cli-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail=0
expect() { # expected-exit-code expected-text command...
  local code=$1 text=$2; shift 2
  local got
  got=$("$run32" "$sim" "$@" 2>&1); local rc=$?
  if [ "$rc" -ne "$code" ] || ! grep -qF -- "$text" <<<"$got"; then
    echo "FAILED: lumenfold-sim $*: exit $rc (wanted $code), output:"; echo "$got"; fail=1
  fi
}
printf '{"steps": [ {"frames": 1,} ]}' > "$work/bad.json"
expect 1 "bad.json: not valid JSON: parse error at line 1, column 26" run "$work/bad.json"
printf '{"steps": [{"set": {"player.Height": 3}}]}' > "$work/unknown.json"
expect 1 'steps[0].set.player.Height: unknown name "player.Height"' run "$work/unknown.json"
printf '{"steps": [{"set": {"player.LookPitch": 1e400}}]}' > "$work/huge.json"
expect 1 "huge.json: not valid JSON: number overflow parsing '1e400' at line 1, column 41" run "$work/huge.json"
expect 1 "missing.json: cannot be read" run "$work/missing.json"
expect 2 "usage:" frobnicate
printf '[Main]\nfCameraPosY=14,5\n' > "$work/ok.ini"
expect 0 'fCameraPosY = "14,5" reads only as 14' settings "$work/ok.ini"
printf '[Main]\nfCameraPosY=1e400\n' > "$work/huge.ini"
expect 0 'fCameraPosY = 14' settings "$work/huge.ini"
expect 0 'line 2: fCameraPosY = "1e400" is too large for a number: it keeps its default 14.0' settings "$work/huge.ini"
printf '[Camera]\nfCameraPosY=3\n' > "$work/nomain.ini"
expect 1 "no [Main] section" settings "$work/nomain.ini"
expect 2 "cannot be read" settings "$work/none.ini"
expect 0 "bEnableFirstPersonBody=1" ini
printf '[Main]\nfCamraPosZ=16\n' > "$work/typo.ini"
expect 0 'line 2: unknown key "fCamraPosZ" is ignored' settings "$work/typo.ini"
# A tuner's own file on a documented scenario: the scenario's expectations
# become what the file changes, and the run succeeds.
scenarios=$(cd "$(dirname "$0")/../docs/scenarios" && pwd)
printf '[Main]\nfCameraPosZ=16\n' > "$work/tuned.ini"
expect 0 'your settings change steps[0].expect.nodes.Camera.LocalTranslation: [0,14,108] with the scenario'"'"'s settings, [0.0,14.0,118.0] with yours' \
  run "$scenarios/sitting.json" --settings "$work/tuned.ini" --trace /dev/null
expect 0 "2 expectations of the scenario changed by your settings" \
  run "$scenarios/sitting.json" --settings "$work/tuned.ini" --trace /dev/null
# A recording: made from a scenario, replayed with no difference, drawn,
# and turned into a scenario that passes as a test.
expect 0 "4 frames recorded" record "$scenarios/standing.json" --out "$work/standing.rec"
expect 0 "4 frames replayed, 0 differ, 0 cut short" replay "$work/standing.rec"
expect 0 "0 differ" replay "$work/standing.rec" --pose 2 --svg "$work/frame2.svg" --scenario "$work/back.json"
grep -q "<svg" "$work/frame2.svg" || { echo "FAILED: replay --pose wrote no picture"; fail=1; }
expect 0 "4 frames, 0 expectations failed" run "$work/back.json" --trace /dev/null
# A recording whose second frame began otherwise than the replay's: that
# frame differs, named with both values, and the exit says so.
header=$((44 + 4 * 29 + 8))
first=$(od -An -tu4 -j "$header" -N4 "$work/standing.rec" | tr -d ' ')
cp "$work/standing.rec" "$work/other.rec"
printf '\x02' | dd of="$work/other.rec" bs=1 seek=$((header + first + 16)) conv=notrunc status=none
expect 1 "frame 1: " replay "$work/other.rec"
expect 1 "4 frames replayed, 1 differ, 0 cut short" replay "$work/other.rec"
# Bad files: the name and the byte, exit 1.
head -c 100 "$work/standing.rec" > "$work/cut.rec"
expect 1 "cut.rec: at byte " replay "$work/cut.rec"
: > "$work/empty.rec"
expect 1 'empty.rec: at byte 0: not a recording of Lumenfold' replay "$work/empty.rec"
expect 1 "none.rec: cannot be read" replay "$work/none.rec"
expect 2 "usage:" replay
expect 2 "usage:" record "$scenarios/standing.json"
# 30 MB of one-byte events, in frames as long as a frame can be: read and
# replayed (every frame differs) within 1 GB of memory, not a crash. The
# limit is set where it holds: natively, and without AddressSanitizer (whose
# shadow memory needs more address space than that).
le32() { printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) \
  $((($1 >> 16) & 255)) $((($1 >> 24) & 255)))"; }
frames=460
{
  head -c $((header - 8)) "$work/standing.rec"
  le32 "$frames"; le32 $((frames * 65536))
  for i in $(seq 0 $((frames - 1))); do
    le32 65536; le32 "$i"; head -c 56 /dev/zero; head -c 65472 /dev/zero | tr '\0' '\011'
  done
} > "$work/big.rec"
limit=""
if bash "$(dirname "$run32")/native32.sh" && ! nm "$sim" 2>/dev/null | grep -q __asan_init; then
  limit="ulimit -v 1048576;"
fi
got=$(bash -c "$limit \"\$0\" \"\$1\" replay \"\$2\" 2>&1 | tail -n 1; exit \${PIPESTATUS[0]}" \
  "$run32" "$sim" "$work/big.rec"); rc=$?
if [ "$rc" -ne 1 ] || [ "$got" != "$frames frames replayed, $frames differ, 0 cut short" ]; then
  echo "FAILED: a 30 MB recording of one-byte events: exit $rc, last line: $got"; fail=1
fi
[ "$fail" -eq 0 ] && echo "sim_cli: all passed"
exit $fail
