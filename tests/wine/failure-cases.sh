#!/usr/bin/env bash
# The command line's failures, for lumenfold-sim.exe under Wine as for the
# Linux build: files that cannot be read or written in each role, files too
# large, runs too long, usage errors, help, and settings warnings. Each case
# has its exit status and a line its output must hold.
#   failure-cases.sh make DIR    makes the inputs in DIR, prints batch lines
#                                (outputs in DIR/out/fail-NAME.*)
#   failure-cases.sh check DIR   checks each case's status and message there
set -uo pipefail
mode=${1:?usage: failure-cases.sh make|check DIR}
dir=${2:?usage: failure-cases.sh make|check DIR}
tab=$'\t'

# name, exit status, what its output holds, command words (tab-separated)
cases() {
  cat <<EOF
settings-folder${tab}3${tab}adir: is a folder, not a file${tab}settings${tab}adir
run-settings-folder${tab}3${tab}adir: is a folder, not a file${tab}run${tab}docs/scenarios/sitting.json${tab}--settings${tab}adir
run-folder${tab}3${tab}adir: is a folder, not a file${tab}run${tab}adir
replay-folder${tab}3${tab}adir: is a folder, not a file${tab}replay${tab}adir
record-folder${tab}4${tab}adir: cannot be written: it is a folder${tab}record${tab}docs/scenarios/standing.json${tab}--out${tab}adir
trace-folder${tab}4${tab}adir: cannot be written: it is a folder${tab}run${tab}docs/scenarios/standing.json${tab}--trace${tab}adir
svg-no-folder${tab}4${tab}nofolder/x.svg: cannot be written: there is no folder nofolder${tab}run${tab}docs/scenarios/standing.json${tab}--svg${tab}nofolder/x.svg
missing-settings${tab}3${tab}none.ini: no such file${tab}run${tab}docs/scenarios/standing.json${tab}--settings${tab}none.ini
missing-recording${tab}3${tab}none.rec: no such file${tab}replay${tab}none.rec
soak-no-folder${tab}4${tab}nofolder: no such folder${tab}soak${tab}--seeds${tab}1${tab}--out${tab}nofolder
empty-settings${tab}1${tab}the file is empty: every setting keeps its default${tab}settings${tab}empty.ini
empty-scenario${tab}1${tab}empty.json: is empty; a scenario is a JSON object${tab}run${tab}empty.json
empty-recording${tab}1${tab}empty.rec: at byte 0: not a recording of Lumenfold${tab}replay${tab}empty.rec
big-scenario${tab}1${tab}big.json: is 300 MB, more than a scenario can be (at most 32 MB)${tab}run${tab}big.json
big-settings${tab}1${tab}big.ini: is 300 MB, more than a settings file can be (at most 1 MB)${tab}settings${tab}big.ini
many-frames${tab}1${tab}steps.json: steps: ask for 1000000000 frames in all; a run takes at most 100000${tab}run${tab}steps.json
frames-2-31${tab}1${tab}frames.json: steps[0].frames: expects an integer from 1 to 100000, got 2147483648${tab}run${tab}frames.json
deep${tab}1${tab}deep.json: is nested more than 64 levels deep${tab}run${tab}deep.json
pose-range${tab}1${tab}--pose 99 is not a frame of docs/scenarios/sitting.json: its 7 frames are 0 to 6${tab}run${tab}docs/scenarios/sitting.json${tab}--pose${tab}99${tab}--svg${tab}out/fail-x.svg
pose-negative${tab}1${tab}--pose -1 is not a frame of docs/scenarios/sitting.json: its 7 frames are 0 to 6${tab}run${tab}docs/scenarios/sitting.json${tab}--pose${tab}-1${tab}--svg${tab}out/fail-x.svg
pose-word${tab}2${tab}lumenfold-sim run: --pose takes a frame number, not "abc"${tab}run${tab}docs/scenarios/sitting.json${tab}--pose${tab}abc${tab}--svg${tab}out/fail-x.svg
unknown-command${tab}2${tab}lumenfold-sim: unknown command 'frobnicate'${tab}frobnicate
unknown-option${tab}2${tab}lumenfold-sim run: unknown option '--frob'${tab}run${tab}docs/scenarios/sitting.json${tab}--frob
help${tab}0${tab}usage: lumenfold-sim COMMAND [ARGUMENTS]${tab}--help
help-run${tab}0${tab}usage: lumenfold-sim run SCENARIO${tab}help${tab}run
run-help${tab}0${tab}usage: lumenfold-sim run SCENARIO${tab}run${tab}-h
typo${tab}1${tab}line 2: unknown key "fCamraPosZ" is ignored (did you mean fCameraPosZ?)${tab}settings${tab}typo.ini
run-typo${tab}0${tab}typo.ini: line 3: iRecordFrames = -5 is out of its range 1 to 3600: 1 frame is recorded${tab}run${tab}docs/scenarios/sitting.json${tab}--settings${tab}typo.ini${tab}--trace${tab}out/fail-typo.trace
one-frame${tab}1${tab}one.json: 1 frame, 1 expectation failed${tab}run${tab}one.json${tab}--trace${tab}out/fail-one.trace
EOF
}

case "$mode" in
make)
  mkdir -p "$dir/adir" "$dir/out"
  : > "$dir/empty.ini"; : > "$dir/empty.json"; : > "$dir/empty.rec"
  truncate -s 300M "$dir/big.json" "$dir/big.ini"
  printf '[Main]\r\nfCamraPosZ=16\r\niRecordFrames=-5\r\n' > "$dir/typo.ini"
  printf '{"steps": [{"expect": {"ForcedBodyMode": 1}}]}' > "$dir/one.json"
  printf '{"steps": [{"frames": 2147483648}]}' > "$dir/frames.json"
  { printf '{"steps": ['; for ((i = 1; i < 10000; i++)); do printf '{"frames": 100000},'; done
    printf '{"frames": 100000}]}'; } > "$dir/steps.json"
  head -c 100000 /dev/zero | tr '\0' '[' > "$dir/deep.json"
  cases | while IFS="$tab" read -r name _ _ words; do
    printf 'out/fail-%s\t%s\n' "$name" "$words"
  done
  ;;
check)
  fail=0
  while IFS="$tab" read -r name status text _; do
    rc=$(tr -d '\r\n' < "$dir/out/fail-$name.rc" 2>/dev/null)
    if [ "$rc" != "$status" ] ||
       ! cat "$dir/out/fail-$name.out" "$dir/out/fail-$name.err" 2>/dev/null | grep -qF -- "$text"; then
      echo "failure case $name: exit ${rc:-none} (wanted $status), output:"
      cat "$dir/out/fail-$name.out" "$dir/out/fail-$name.err" 2>/dev/null | head -5
      fail=1
    fi
  done < <(cases)
  [ -e "$dir/out/fail-x.svg" ] && { echo "failure case: a refused --pose wrote a picture"; fail=1; }
  rm -f "$dir/big.json" "$dir/big.ini"
  exit $fail
  ;;
esac
