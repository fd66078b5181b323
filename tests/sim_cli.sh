#!/usr/bin/env bash
# The simulator's command line: a clear message and a non-zero exit for
# malformed input, the settings report on a real file, and recordings made,
# replayed and refused; every file that cannot be read or written, in every
# role, with its message and exit status; help, usage errors and --pose;
# files too large; and every example of README, run as written.
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
expect 3 "missing.json: no such file" run "$work/missing.json"
expect 2 "unknown command 'frobnicate'" frobnicate
printf '[Main]\nfCameraPosY=14,5\n' > "$work/ok.ini"
expect 1 'fCameraPosY = "14,5" reads only as 14' settings "$work/ok.ini"
printf '[Main]\nfCameraPosY=1e400\n' > "$work/huge.ini"
expect 1 'fCameraPosY = 14' settings "$work/huge.ini"
expect 1 'line 2: fCameraPosY = "1e400" is too large for a number: it keeps its default 14.0' settings "$work/huge.ini"
printf '[Camera]\nfCameraPosY=3\n' > "$work/nomain.ini"
expect 1 "no [Main] section" settings "$work/nomain.ini"
expect 3 "none.ini: no such file" settings "$work/none.ini"
expect 0 "bEnableFirstPersonBody=1" ini
printf '[Main]\nfCamraPosZ=16\n' > "$work/typo.ini"
expect 1 'line 2: unknown key "fCamraPosZ" is ignored (did you mean fCameraPosZ?)' settings "$work/typo.ini"
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
# Recordings of the first format (made by the plug-in's version-1 recorder)
# still replay, compared by what the plug-in did.
recordings=$(cd "$(dirname "$0")/recordings" && pwd)
expect 0 "4 frames replayed, 0 differ, 0 cut short" replay "$recordings/standing-version-1.rec"
expect 0 "5 frames replayed, 0 differ, 0 cut short" replay "$recordings/knocked-out-version-1.rec"
# A recording whose second frame began otherwise than the replay's: that
# frame differs, named with both values, and the exit says so.
header=$((44 + 4 * 29 + 8))
first=$(od -An -tu4 -j "$header" -N4 "$work/standing.rec" | tr -d ' ')
cp "$work/standing.rec" "$work/other.rec"
printf '\x02' | dd of="$work/other.rec" bs=1 seek=$((header + first + 16)) conv=notrunc status=none
expect 1 "frame 1: " replay "$work/other.rec"
expect 1 "4 frames replayed, 1 differs, 0 cut short" replay "$work/other.rec"
# Replayed with fCameraPosZ at 16 where it was recorded at 6: every frame
# differs alike; each difference is told once a frame, and the game values
# that fed it once, not again for a frame fed by the same.
cp "$work/standing.rec" "$work/higher.rec"
printf '\x00\x00\x80\x41' | dd of="$work/higher.rec" bs=1 seek=$((44 + 4 * 20)) conv=notrunc status=none
expect 1 "4 frames replayed, 4 differ, 0 cut short" replay "$work/higher.rec"
expect 1 "frame 3: body-pass argument" replay "$work/higher.rec"
expect 1 "  fed by the same game values as frame 2" replay "$work/higher.rec"
# Bad files: the name and the byte, exit 1.
head -c 100 "$work/standing.rec" > "$work/cut.rec"
expect 1 "cut.rec: at byte " replay "$work/cut.rec"
: > "$work/empty.rec"
expect 1 'empty.rec: at byte 0: not a recording of Lumenfold' replay "$work/empty.rec"
expect 3 "none.rec: no such file" replay "$work/none.rec"
expect 2 "lumenfold-sim replay: which recording?" replay
expect 2 "lumenfold-sim record: where does the recording go? (--out FILE.rec)" record "$scenarios/standing.json"
# Reading and replaying any file takes at most 8 times its size and 64 MiB
# besides (docs/recording.md). The limit of memory is set where it holds:
# natively, and without AddressSanitizer (whose shadow memory needs more
# address space than that).
limited=0
# (nm's list read whole: grep -q leaves early, and pipefail would count the
# cut-off nm against the test)
if bash "$(dirname "$run32")/native32.sh" && ! grep -q __asan_init <(nm "$sim" 2>/dev/null); then
  limited=1
fi
bounded() { # file expected-exit expected-last-line-or-text what
  local file=$1 code=$2 text=$3 what=$4 limit="" got rc
  [ "$limited" = 1 ] && limit="ulimit -v $(( (8 * $(stat -c %s "$file") + (64 << 20)) / 1024 ));"
  got=$(timeout 600 bash -c "$limit \"\$0\" \"\$1\" replay \"\$2\" 2>&1; exit \$?" \
    "$run32" "$sim" "$file"); rc=$?
  if [ "$rc" -ne "$code" ] || ! grep -qF -- "$text" <<<"$got"; then
    echo "FAILED: $what: exit $rc (wanted $code), output:"; echo "$got" | head -5; fail=1
  fi
}
# 30 MB of one-byte events, in frames as long as a frame can be: read and
# replayed (every frame differs) within the bound, not a crash.
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
bounded "$work/big.rec" 1 "$frames frames replayed, $frames differ, 0 cut short" \
  "a 30 MB recording of one-byte events"

# Hand-made frames behind the standing recording's header: the frame start
# with the player and BodyRoot (tokens 0x100 and 0x200), then nodes linked
# as a file may link them. Each is refused at the byte of the node's event.
u8() { printf "$(printf '\\x%02x' "$1")"; }
state() { # kind token first words...
  local kind=$1 token=$2 first=$3; shift 3
  u8 2; u8 "$kind"; le32 "$token"; u8 "$first"; u8 $#
  for w in "$@"; do le32 "$w"; done
}
frame_start() { u8 1; u8 1; le32 0; le32 0; state 0 0 0 256 0 0 0 0 0 512; }
one_frame() { # events-file recording
  local n; n=$(stat -c %s "$1")
  { head -c $((header - 8)) "$work/standing.rec"; le32 1; le32 $((64 + n))
    le32 $((64 + n)); le32 0; head -c 56 /dev/zero; cat "$1"; } > "$2"
}
nodes_at=$((header + 64 + 10 + 36))
{ frame_start; state 3 512 2 1 512; u8 9; } > "$work/events"; one_frame "$work/events" "$work/own-child.rec"
bounded "$work/own-child.rec" 1 "own-child.rec: at byte $nodes_at: node BodyRoot is its own child" \
  "BodyRoot its own child"
{ frame_start; state 3 512 1 512; u8 9; } > "$work/events"; one_frame "$work/events" "$work/own-parent.rec"
bounded "$work/own-parent.rec" 1 "own-parent.rec: at byte $nodes_at: node BodyRoot is its own parent" \
  "BodyRoot its own parent"
{ frame_start; state 3 4096 1 512; state 3 512 1 4096; u8 9; } > "$work/events"
one_frame "$work/events" "$work/two.rec"
bounded "$work/two.rec" 1 "two.rec: at byte $((nodes_at + 12)): node BodyRoot would be its own ancestor" \
  "two nodes each the other's parent"
{ frame_start; prev=512
  for i in $(seq 1 300); do state 3 $((4096 + i)) 1 "$prev"; prev=$((4096 + i)); done; u8 9
} > "$work/events"; one_frame "$work/events" "$work/deep.rec"
bounded "$work/deep.rec" 1 "would hang under more than 256 parents" "a chain of 300 parents"
# 459 KB of nodes, each of a fresh token: refused where their stand-ins
# outgrow what the file's size allows, within the bound.
perl -e '
  my ($from, $header, $frames) = @ARGV;
  open(my $h, "<:raw", $from) or die; read($h, my $head, $header - 8); binmode STDOUT;
  print $head, pack("VV", $frames, $frames * 65536);
  my $token = 0x10000;
  for my $f (0 .. $frames - 1) {
    my $e = pack("CCVV", 1, 1, 0, 0) . pack("CCVCC", 2, 0, 0, 0, 7) . pack("V7", 256, 0, 0, 0, 0, 0, 512);
    while (length($e) + 12 <= 65536 - 64) { $e .= pack("CCVCCV", 2, 3, $token++, 0, 1, 0); }
    print pack("VV", 65536, $f), "\0" x 56, $e, "\x09" x (65536 - 64 - length($e));
  }' "$work/standing.rec" "$header" 7 > "$work/fresh.rec"
bounded "$work/fresh.rec" 1 "fresh.rec: at byte " "459 KB of fresh tokens"
bounded "$work/fresh.rec" 1 "the recording names more objects of the game than a file of its size holds" \
  "459 KB of fresh tokens"
# A file larger than the reader takes (sparse): refused before it is read.
cp "$work/standing.rec" "$work/huge.rec"
truncate -s 3G "$work/huge.rec"
bounded "$work/huge.rec" 1 "huge.rec: at byte 67108864: the file goes on; a recording is at most 64 MiB" \
  "a 3 GB file"
rm -f "$work/huge.rec"
# The weapon and the byte after it set together inside a frame, and between
# frames: counted alike (not at all).
printf '%s' '{"steps": [{"frames": 1}, {"during": {"body": {"process.WeaponDrawn": 1,
  "process.ByteAfterWeaponDrawn": 1}}, "frames": 1}, {"set": {"process.WeaponDrawn": 0,
  "process.ByteAfterWeaponDrawn": 0}, "frames": 1}]}' > "$work/weapon.json"
expect 0 "3 frames recorded" record "$work/weapon.json" --out "$work/weapon.rec"
expect 0 "3 frames replayed, 0 differ, 0 cut short" replay "$work/weapon.rec"
got=$("$run32" "$sim" replay "$work/weapon.rec" 2>&1)
if grep -q "+0x115" <<<"$got"; then
  echo "FAILED: replay speaks of the weapon's two bytes where they never differed:"; echo "$got"; fail=1
fi

# --- every file that cannot be read or written, in every role -----------------
# One line naming the file and what is wrong; the exit status of its kind:
# 3 for an input, 4 for an output, 1 for a content refused.
mkdir "$work/adir.ini" "$work/adir.json" "$work/adir.rec"
: > "$work/empty.ini"; : > "$work/empty.json"
sitting="$scenarios/sitting.json"
expect 3 "adir.ini: is a folder, not a file" settings "$work/adir.ini"
expect 3 "adir.ini: is a folder, not a file" run "$sitting" --settings "$work/adir.ini"
expect 3 "adir.ini: is a folder, not a file" record "$sitting" --settings "$work/adir.ini" --out "$work/x.rec"
expect 3 "adir.json: is a folder, not a file" run "$work/adir.json"
expect 3 "adir.json: is a folder, not a file" record "$work/adir.json" --out "$work/x.rec"
expect 3 "adir.rec: is a folder, not a file" replay "$work/adir.rec"
expect 3 "adir.json: is a folder, not a file" batch "$work/adir.json"
expect 3 "/dev/null: is a device, not a file" settings /dev/null
expect 3 "/dev/zero: is a device, not a file" run "$sitting" --settings /dev/zero
expect 3 "/dev/zero: is a device, not a file" run /dev/zero
expect 3 "/dev/null: is a device, not a file" replay /dev/null
expect 3 "nothere.ini: no such file" run "$sitting" --settings "$work/nothere.ini"
expect 3 "nothere.ini: no such file" record "$sitting" --settings "$work/nothere.ini" --out "$work/x.rec"
expect 3 "nothere.json: no such file" record "$work/nothere.json" --out "$work/x.rec"
expect 1 "  the file is empty: every setting keeps its default" settings "$work/empty.ini"
expect 1 'empty.json: is empty; a scenario is a JSON object with "settings" and "steps"' run "$work/empty.json"
if [ "$(id -u)" != 0 ]; then # root reads any file
  printf '[Main]\n' > "$work/locked.ini"; chmod 000 "$work/locked.ini"
  expect 3 "locked.ini: cannot be read: permission denied" settings "$work/locked.ini"
  chmod 600 "$work/locked.ini"
fi
expect 4 "adir.ini: cannot be written: it is a folder" run "$sitting" --trace "$work/adir.ini"
expect 4 "nofolder/x.svg: cannot be written: there is no folder $work/nofolder" run "$sitting" --svg "$work/nofolder/x.svg"
expect 4 "adir.rec: cannot be written: it is a folder" record "$sitting" --out "$work/adir.rec"
expect 4 "cannot be written: there is no folder /nonexist" record "$sitting" --out /nonexist/x.rec
expect 4 "nofolder/x.json: cannot be written: there is no folder" replay "$work/standing.rec" --scenario "$work/nofolder/x.json"
expect 4 "nofolder: no such folder" soak --seeds 1 --out "$work/nofolder"
if [ -w /dev/full ]; then
  expect 4 "/dev/full: cannot be written" run "$sitting" --trace /dev/full
fi
# An output opened before another failed is not left behind, and a device
# stays what it is.
expect 4 "nofolder/x.svg: cannot be written" run "$sitting" --trace "$work/t.jsonl" --svg "$work/nofolder/x.svg"
[ -e "$work/t.jsonl" ] && { echo "FAILED: a refused run left its trace file"; fail=1; }
expect 4 "nofolder/x.svg: cannot be written" run "$sitting" --trace /dev/null --svg "$work/nofolder/x.svg"
[ -c /dev/null ] || { echo "FAILED: /dev/null is no longer a device"; fail=1; }
# Nothing is left behind by a refused run.
[ -e "$work/x.rec" ] && { echo "FAILED: a refused record left $work/x.rec"; fail=1; }

# --- help, usage errors, --pose, and numbers that agree with their nouns ------
expect_stdout() { # expected-exit-code expected-text command...: on standard output alone
  local code=$1 text=$2; shift 2
  local got errors
  got=$("$run32" "$sim" "$@" 2>"$work/stderr"); local rc=$?
  errors=$(cat "$work/stderr")
  if [ "$rc" -ne "$code" ] || ! grep -qF -- "$text" <<<"$got" || [ -n "$errors" ]; then
    echo "FAILED: lumenfold-sim $*: exit $rc (wanted $code), output:"; echo "$got"
    echo "standard error:"; echo "$errors"; fail=1
  fi
}
for words in "--help" "-h" "help" ""; do
  # shellcheck disable=SC2086
  expect_stdout 0 "usage: lumenfold-sim COMMAND [ARGUMENTS]" $words
done
expect_stdout 0 "  4  an output file cannot be written" --help
expect_stdout 0 "usage: lumenfold-sim run SCENARIO" help run
expect_stdout 0 "usage: lumenfold-sim run SCENARIO" run --help
expect_stdout 0 "usage: lumenfold-sim replay FILE.rec" replay -h
expect_stdout 0 "usage: lumenfold-sim settings FILE" settings --help
for c in ini readme record soak batch; do
  expect_stdout 0 "usage: lumenfold-sim $c" help "$c"
done
expect 2 "lumenfold-sim: help: there is no command 'frobnicate'" help frobnicate
expect 2 "lumenfold-sim run: unknown option '--frob'" run "$sitting" --frob
expect 2 "lumenfold-sim settings: unknown option '-x'" settings -x
expect 2 "lumenfold-sim record: unknown option '--trace'" record "$sitting" --trace x
expect 2 "lumenfold-sim replay: unknown option '--settings'" replay "$work/standing.rec" --settings x
expect 2 "lumenfold-sim soak: --seeds takes a whole number from 0 to 100000000, not \"many\"" soak --seeds many
expect 2 "lumenfold-sim ini: takes nothing more, not 'x'" ini x
expect 2 "lumenfold-sim run: --svg needs a file" run "$sitting" --svg
expect 2 "lumenfold-sim run: one scenario at a time: 'b.json' is one too many" run "$sitting" b.json
expect 2 "lumenfold-sim run: --pose draws into the file of --svg" run "$sitting" --pose 2
expect 2 'lumenfold-sim run: --pose takes a frame number, not "abc"' run "$sitting" --pose abc --svg "$work/p.svg"
expect 1 "--pose 99 is not a frame of $sitting: its 7 frames are 0 to 6" run "$sitting" --pose 99 --svg "$work/p.svg"
expect 1 "--pose -1 is not a frame of $sitting: its 7 frames are 0 to 6" run "$sitting" --pose -1 --svg "$work/p.svg"
expect 1 "--pose 4 is not a frame of $work/standing.rec: its 4 frames are 0 to 3" replay "$work/standing.rec" --pose 4 --svg "$work/p.svg"
expect 2 'lumenfold-sim replay: --pose takes a frame number, not "x"' replay "$work/standing.rec" --pose x --svg "$work/p.svg"
[ -e "$work/p.svg" ] && { echo "FAILED: a refused --pose wrote $work/p.svg"; fail=1; }
printf '{"steps": [{"expect": {"ForcedBodyMode": 1}}]}' > "$work/one.json"
expect 1 "one.json: 1 frame, 1 expectation failed" run "$work/one.json" --trace /dev/null
expect 1 "--pose 1 is not a frame of $work/one.json: its one frame is 0" run "$work/one.json" --pose 1 --svg "$work/p.svg"
expect 1 "one.json: 1 frame, 1 problem found" run "$work/one.json" --trace /dev/null --audit
expect 0 "x.rec: 1 frame recorded" record "$work/one.json" --out "$work/x.rec"
printf '{"steps": [{"frames": 3700}]}' > "$work/long.json"
expect 0 "long.rec: 3600 frames recorded, the last of the 3700 run (a recording keeps at most 3600)" \
  record "$work/long.json" --out "$work/long.rec"
# A picture without --trace: a short summary, no trace.
got=$("$run32" "$sim" run "$sitting" --pose 2 --svg "$work/p.svg" 2>"$work/stderr"); rc=$?
if [ "$rc" -ne 0 ] || [ -n "$got" ] ||
   [ "$(cat "$work/stderr")" != "lumenfold-sim: $sitting: 7 frames, 0 expectations failed; frame 2 drawn in $work/p.svg" ]; then
  echo "FAILED: run --pose --svg without --trace: exit $rc, output: ${got:0:200}"; cat "$work/stderr"; fail=1
fi
# A scenario that is not found says where the documented ones are.
root=$(cd "$(dirname "$0")/.." && pwd)
got=$(cd "$root" && "$run32" "$sim" run scenarios/sitting.json 2>&1); rc=$?
want="lumenfold-sim: scenarios/sitting.json: no such file (did you mean docs/scenarios/sitting.json? The documented scenarios are in docs/scenarios)"
[ "$rc" -eq 3 ] && [ "$got" = "$want" ] || { echo "FAILED: a scenario not found: exit $rc, $got"; fail=1; }

# --- the settings checker: what the plug-in will use, and its warnings --------
printf '[Main]\nfCamraPosZ=3\niRecordFrames=9999\n\n\n\n\n\n\n\n[Other]\nb=1\n' > "$work/order.ini"
got=$("$run32" "$sim" settings "$work/order.ini" 2>&1); rc=$?
want='iRecordFrames = 3600
    line 3: iRecordFrames = 9999 is out of its range 1 to 3600: 3600 frames are recorded

warnings, in the order of the file'"'"'s lines:
  line 2: unknown key "fCamraPosZ" is ignored (did you mean fCameraPosZ?)
  line 3: iRecordFrames = 9999 is out of its range 1 to 3600: 3600 frames are recorded
  line 11: section [Other] is not read; every key belongs in [Main]'
if [ "$rc" -ne 1 ] || [ "$(tail -n 7 <<<"$got")" != "$want" ]; then
  echo "FAILED: settings order.ini: exit $rc, output:"; echo "$got"; fail=1
fi
printf '[Main]\niRecordFrames=-5\nbEnableHeadBob=yes\n' > "$work/refused.ini"
expect 1 "line 2: iRecordFrames = -5 is out of its range 1 to 3600: 1 frame is recorded" settings "$work/refused.ini"
expect 1 'line 3: bEnableHeadBob = "yes" is not a number: it reads as 0' settings "$work/refused.ini"
"$run32" "$sim" ini > "$work/default.ini"
expect_stdout 0 "iRecordFrames = 0" settings "$work/default.ini"
# run and record print the same warnings, for a player's file and for a
# scenario's own settings (and its steps' rewrites).
expect 0 'typo.ini: line 2: unknown key "fCamraPosZ" is ignored (did you mean fCameraPosZ?)' \
  run "$sitting" --settings "$work/typo.ini" --trace /dev/null
expect 0 'typo.ini: line 2: unknown key "fCamraPosZ" is ignored (did you mean fCameraPosZ?)' \
  record "$sitting" --settings "$work/typo.ini" --out "$work/typo.rec"
printf '{"settings": ["[Main]", "fCamraPosZ=3"], "steps": [{}, {"settings": "[Main]\\nfCameraPosY=14,5"}]}' > "$work/own.json"
expect 0 'own.json: settings: line 2: unknown key "fCamraPosZ" is ignored (did you mean fCameraPosZ?)' \
  run "$work/own.json" --trace /dev/null
expect 0 'own.json: steps[1].settings: line 2: fCameraPosY = "14,5" reads only as 14' \
  run "$work/own.json" --trace /dev/null

# --- files too large, runs too long: refused with their size ------------------
truncate -s 300M "$work/big.json" "$work/big.ini"
expect 1 "big.json: is 300 MB, more than a scenario can be (at most 32 MB)" run "$work/big.json"
expect 1 "big.ini: is 300 MB, more than a settings file can be (at most 1 MB)" settings "$work/big.ini"
expect 1 "big.ini: is 300 MB, more than a settings file can be (at most 1 MB)" run "$sitting" --settings "$work/big.ini"
rm -f "$work/big.json" "$work/big.ini"
steps() { # count frames: a scenario of that many steps
  printf '{"steps": ['; for ((i = 1; i < $1; i++)); do printf '{"frames": %s},' "$2"; done
  printf '{"frames": %s}]}' "$2"
}
steps 10000 1 > "$work/steps.json"
expect 0 "steps.json: 10000 frames, 0 expectations failed" run "$work/steps.json" --trace /dev/null
steps 10000 100000 > "$work/steps.json"
expect 1 "steps.json: steps: ask for 1000000000 frames in all; a run takes at most 100000" run "$work/steps.json"
printf '{"steps": [{"frames": 2147483648}]}' > "$work/frames.json"
expect 1 "frames.json: steps[0].frames: expects an integer from 1 to 100000, got 2147483648" run "$work/frames.json"
head -c 100000 /dev/zero | tr '\0' '[' > "$work/deep.json"
expect 1 "deep.json: is nested more than 64 levels deep" run "$work/deep.json"
{ printf '{"settings": "'; head -c 1100000 /dev/zero | tr '\0' 'x'; printf '", "steps": [{}]}'; } > "$work/fat.json"
expect 1 "fat.json: settings: holds 1100000 bytes, more than a settings file can be (at most 1 MB)" run "$work/fat.json"

# --- every example of README, as written, in a folder laid out as the
# repository (and the tools archive) is -----------------------------------------
mkdir -p "$work/readme/docs"
cp -r "$root/docs/scenarios" "$root/docs/pose" "$work/readme/docs/"
n=0
while IFS= read -r line; do
  n=$((n + 1))
  # shellcheck disable=SC2001
  command=$(sed "s|^lumenfold-sim |\"\$run32\" \"\$sim\" |" <<<"$line")
  # An example that sends its output to a file keeps it there.
  [[ "$line" == *" > "* ]] || command+=" > example-$n.out"
  (cd "$work/readme" && eval "$command" 2> "example-$n.err") ||
    { echo "FAILED: README's example $line: exit $?"; cat "$work/readme/example-$n.err"; fail=1; }
done < <(bash "$root/tests/readme-examples.sh" "$root/README.md")
[ "$n" -ge 8 ] || { echo "FAILED: only $n examples found in README"; fail=1; }
for f in sit.jsonl sit.svg My.ini pose.svg higher-eye.svg sitting.rec frame.svg problem.json problem.jsonl; do
  [ -s "$work/readme/$f" ] || { echo "FAILED: README's examples wrote no $f"; fail=1; }
done
# The wrapper that README names runs the build.
"$root/scripts/lumenfold-sim" --version | grep -q "^lumenfold-sim " ||
  { echo "FAILED: scripts/lumenfold-sim does not run the build"; fail=1; }

[ "$fail" -eq 0 ] && echo "sim_cli: all passed"
exit $fail
