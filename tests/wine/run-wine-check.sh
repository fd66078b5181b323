#!/usr/bin/env bash
# The Windows builds under Wine, in one Wine session (one prefix, the Wine
# server kept running):
#  1. the real OBSE_Lumenfold.dll loaded by the real Windows loader, from a
#     host program whose image covers the game's address range and holds the
#     simulated game, with a settings file beside it and another plug-in's
#     library; driver.cpp checks what the plug-in did, its log file, and
#     frames run through its glue (the settings file saved while they run);
#     the recording the DLL writes when the game is saved is replayed by the
#     Linux build with no difference; then, in a process of its own, the
#     real DLL beside a second plug-in of another author (SecondPlugin.dll,
#     tests/second_plugin/), which finds it through its interface, reads its
#     state, holds it off and is told of its changes
#     (second_plugin_checks.cpp);
#  2. lumenfold-sim.exe running every documented scenario, the settings
#     report on a few files, the default file, the readme, a malformed
#     scenario, a short soak, a recording made and replayed, the DLL's
#     recording replayed, and the command line's failures
#     (failure-cases.sh), all in one process (its batch command); every
#     output must equal the Linux build's, byte for byte, and each failure
#     have its message and exit status;
#  3. README's examples typed into cmd in the tools archive's folder, against
#     the Linux build's (archive-examples.sh).
#
# Wine's loader for 32-bit Windows programs is itself a 32-bit Linux program.
# Where the kernel runs no 32-bit programs, this script (as root) registers
# qemu's user-mode emulator for them with binfmt_misc for the length of the
# check, so that Wine and every process it starts run emulated (slowly: the
# first start makes Wine's prefix, several minutes). Without either it exits
# 77, which ctest reports as skipped.
#   run-wine-check.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR
set -uo pipefail
build=${1:?usage: run-wine-check.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR}
linux=${2:?usage: run-wine-check.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
native32="$root/scripts/native32.sh"
binfmt=/proc/sys/fs/binfmt_misc
entry=lumenfold-qemu-i386

# Ends every process that runs with this check's Wine prefix.
end_prefix_processes() {
  local p
  for p in /proc/[0-9]*; do
    if { tr '\0' '\n' < "$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$work/prefix"; then
      kill -KILL "${p#/proc/}" 2>/dev/null
    fi
  done
}

cleanup() {
  if [ -n "${work:-}" ]; then
    # Wine leaves its server and services behind, and they may still start
    # more: end them all, twice.
    WINEPREFIX="$work/prefix" timeout 120 wineserver -k 2>/dev/null
    [ -n "${group:-}" ] && kill -KILL -- "-$group" 2>/dev/null
    end_prefix_processes
    sleep 2
    end_prefix_processes
    rm -rf "$work"
  fi
  [ -n "${registered:-}" ] && echo -1 > "$binfmt/$entry" 2>/dev/null
}
trap cleanup EXIT

registered=""
emulated=""
if ! bash "$native32"; then
  emulated=yes
  qemu=$(command -v qemu-i386 || true)
  if [ "$(id -u)" = 0 ] && [ -n "$qemu" ]; then
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null
    if [ -e "$binfmt/register" ] && [ ! -e "$binfmt/$entry" ]; then
      # 32-bit x86 ELF executables and shared objects go to qemu.
      printf '%s' ":$entry:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$qemu:OCF" \
        > "$binfmt/register" 2>/dev/null && registered=yes
    fi
  fi
  if ! bash "$native32"; then
    echo "wine check skipped: this kernel runs no 32-bit programs, and qemu could not be registered for them (needs root and binfmt_misc)"
    exit 77
  fi
  echo "wine check: 32-bit programs run under qemu for this check (slow)"
fi
command -v wine >/dev/null || { echo "wine check: wine is not installed (scripts/install-deps.sh)"; exit 1; }

work=$(mktemp -d /tmp/lumenfold-wine-XXXXXX)
# No desktop, no device drivers, no .NET or HTML engines: nothing the check
# needs, and less for the emulator to run.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedevice.exe,explorer.exe,winemenubuilder.exe=d"

# Runs a Windows program in a process group of its own (so that everything
# Wine starts can be ended), with its output in $work/$name.txt.
run_wine() { # name, program, arguments...
  local name=$1; shift
  setsid timeout 1800 wine "$@" > "$work/$name.txt" 2> "$work/$name.err" &
  group=$!
  wait "$group"
  local rc=$?
  group=""
  tr -d '\r' < "$work/$name.txt" > "$work/$name.lines"
  return $rc
}

# --- 1. the real plug-in ---------------------------------------------------------
# The driver writes the settings file itself (and saves it again while
# frames run, for the watch).
mkdir -p "$work/dll/Data/obse/plugins"
cp "$build/lumenfold-wine-host.exe" "$build/lumenfold-wine-driver.dll" \
   "$build/OBSE_Lumenfold.dll" "$build/OtherPlugin.dll" "$work/dll/"
wineserver -p 2>/dev/null # the server stays for the whole check
(cd "$work/dll" && run_wine dll lumenfold-wine-host.exe)
rc=$?
cat "$work/dll.lines"
if ! grep -qx "wine-host: started" "$work/dll.lines"; then
  if [ -n "$emulated" ]; then
    # Wine itself did not get as far as the program: under emulation its
    # start-up sometimes hangs. That says nothing about the plug-in.
    echo "wine check skipped: Wine did not start the host program under emulation (exit $rc)"
    exit 77
  fi
  echo "wine check: Wine did not start the host program (exit $rc)"; tail -20 "$work/dll.err"
  exit 1
fi
fail=0
[ "$rc" -eq 0 ] || { echo "wine check: the host program exited with $rc"; tail -20 "$work/dll.err"; fail=1; }
# The conflict line names the other plug-in's library, wherever Windows
# loaded it: the driver tells the line it expects.
conflict=$(sed -n 's/^wine-host: expected conflict line: //p' "$work/dll.lines")
case "$conflict" in
  *" into OtherPlugin.dll that is not the game's: "*) ;;
  *) echo "wine check: the driver gave no conflict line naming OtherPlugin.dll"; fail=1 ;;
esac
for line in "OBSE version too old (got 00000013 expected at least 00000014)" \
            "incorrect Oblivion version (got 010201A1 need 010201A0)" \
            "$conflict"; do
  grep -qxF -- "$line" "$work/dll.lines" || { echo "wine check: missing line: $line"; fail=1; }
done
[ -s "$work/dll/OBSE_Lumenfold.log" ] || { echo "wine check: no OBSE_Lumenfold.log beside the host"; fail=1; }

# The recording the real DLL wrote when the game was saved, replayed by the
# Linux build: every output of every frame must agree.
recording=$(ls "$work"/dll/OBSE_Lumenfold-[0-9]*.rec 2>/dev/null | head -n 1)
saves=$(ls "$work"/dll/OBSE_Lumenfold-[0-9]*.rec 2>/dev/null | wc -l)
exits=$(ls "$work"/dll/OBSE_Lumenfold-exit-*.rec 2>/dev/null | wc -l)
if [ "$saves" -ne 1 ] || [ "$exits" -ne 1 ]; then
  echo "wine check: after a save and two exit messages, $saves recordings of saves and $exits of leaving (wanted 1 and 1)"; fail=1
fi
if [ -z "$recording" ]; then
  echo "wine check: the real DLL wrote no recording"; fail=1
else
  replayed=$("$root/scripts/run32.sh" "$linux/lumenfold-sim" replay "$recording" 2>&1)
  rc=$?
  echo "$replayed" | tail -n 5
  last=$(echo "$replayed" | tail -n 1)
  if [ "$rc" -ne 0 ] || ! [[ "$last" =~ ^([0-9]+)\ frames\ replayed,\ 0\ differ,\ 0\ cut\ short$ ]] ||
     [ "${BASH_REMATCH[1]}" -lt 7 ]; then
    echo "wine check: the Linux build's replay of the DLL's recording differs (exit $rc)"; fail=1
  fi
fi
grep -q "checks passed" "$work/dll.lines" || { echo "wine check: the checks did not finish"; fail=1; }

# The real DLL beside a second plug-in, in a process and a game folder of
# their own (a fresh load of each; the driver writes the settings file).
mkdir -p "$work/second"
cp "$build/lumenfold-wine-second.exe" "$build/lumenfold-wine-driver.dll" \
   "$build/OBSE_Lumenfold.dll" "$build/SecondPlugin.dll" "$work/second/"
(cd "$work/second" && run_wine second lumenfold-wine-second.exe)
rc=$?
cat "$work/second.lines"
[ "$rc" -eq 0 ] || { echo "wine check: the second plug-in's process exited with $rc"; tail -20 "$work/second.err"; fail=1; }
grep -q "^wine-second: [0-9]* of [0-9]* checks passed" "$work/second.lines" ||
  { echo "wine check: the second plug-in's checks did not finish"; fail=1; }

# --- 2. lumenfold-sim.exe against the Linux build ------------------------------------
# Both run the same list of commands, each in its own folder of copies, with
# the same relative paths, so that every message reads the same.
for side in linux windows; do
  mkdir -p "$work/sim-$side/docs/scenarios" "$work/sim-$side/settings" "$work/sim-$side/out"
  cp "$root"/docs/scenarios/*.json "$work/sim-$side/docs/scenarios/"
  cp "$here"/settings/*.ini "$work/sim-$side/settings/"
  printf '{"steps": [{"set": {"player.LookPitch": 1e400}}]}' > "$work/sim-$side/huge.json"
  # Recordings live outside out/: their tokens are each build's addresses.
  # The DLL's own recording (or a scenario's, if it wrote none) is replayed
  # by both, whole and cut short.
  mkdir -p "$work/sim-$side/rec"
  if [ -n "$recording" ]; then
    cp "$recording" "$work/sim-$side/rec/dll.rec"
  else
    "$root/scripts/run32.sh" "$linux/lumenfold-sim" record "$root/docs/scenarios/standing.json" \
      --out "$work/sim-$side/rec/dll.rec" >/dev/null
  fi
  head -c 300 "$work/sim-$side/rec/dll.rec" > "$work/sim-$side/rec/cut.rec"
  {
    for s in "$root"/docs/scenarios/*.json; do
      n=$(basename "$s" .json)
      printf 'out/run-%s\trun\tdocs/scenarios/%s.json\t--trace\tout/run-%s.trace\t--audit\n' "$n" "$n" "$n"
    done
    for f in "$here"/settings/*.ini; do
      n=$(basename "$f" .ini)
      printf 'out/settings-%s\tsettings\tsettings/%s.ini\n' "$n" "$n"
    done
    printf 'out/ini\tini\nout/readme\treadme\nout/huge\trun\thuge.json\n'
    printf 'out/pose\trun\tdocs/scenarios/sitting.json\t--pose\t2\t--svg\tout/pose.svg\t--trace\tout/pose.trace\n'
    printf 'out/plot\trun\tdocs/scenarios/demo.json\t--svg\tout/plot.svg\t--trace\tout/plot.trace\n'
    printf 'out/soak\tsoak\t--seeds\t3\t--frames\t20\t--replay\t--out\tout\n'
    printf 'out/record\trecord\tdocs/scenarios/demo.json\t--out\trec/demo.rec\n'
    printf 'out/replay\treplay\trec/demo.rec\t--pose\t20\t--svg\tout/replay.svg\t--scenario\tout/replay.json\n'
    printf 'out/replay-dll\treplay\trec/dll.rec\t--scenario\tout/replay-dll.json\n'
    printf 'out/replay-cut\treplay\trec/cut.rec\n'
    printf 'out/missing\tsettings\tsettings/none.ini\n'
    bash "$here/failure-cases.sh" make "$work/sim-$side"
  } > "$work/sim-$side/cases.txt"
done
cp "$build/lumenfold-sim.exe" "$build/lumenfold-sim.dll" "$work/sim-windows/"
(cd "$work/sim-linux" && "$root/scripts/run32.sh" "$linux/lumenfold-sim" batch cases.txt)
(cd "$work/sim-windows" && run_wine sim lumenfold-sim.exe batch cases.txt)
rc=$?
if [ ! -e "$work/sim-windows/out/ini.rc" ] && [ -n "$emulated" ] && [ "$fail" -eq 0 ]; then
  # As above: Wine's own start-up under emulation, not the tool.
  echo "wine check: the plug-in passed; lumenfold-sim.exe's comparison skipped: Wine did not" \
       "start it under emulation (exit $rc)"
  exit 77
fi
[ "$rc" -eq 0 ] || { echo "wine check: lumenfold-sim.exe exited with $rc"; tail -20 "$work/sim.err"; fail=1; }
compared=0
for f in "$work"/sim-linux/out/*; do
  name=$(basename "$f")
  other="$work/sim-windows/out/$name"
  compared=$((compared + 1))
  if ! cmp -s "$f" "$other"; then
    echo "wine check: lumenfold-sim.exe's $name differs from the Linux build's:"
    diff <(tr -d '\r' < "$f") <(tr -d '\r' < "$other" 2>/dev/null) | head -10
    fail=1
  fi
done
echo "wine check: lumenfold-sim.exe and the Linux build agree on $compared outputs" \
     "(documented scenarios with their traces and audits, settings reports, the default" \
     "file, the readme, a malformed scenario, a soak with its replays, a pose picture, a plot," \
     "a recording made and replayed, the DLL's recording replayed and a cut one refused," \
     "the command line's failures)"
[ "$compared" -gt 40 ] || { echo "wine check: too few outputs compared"; fail=1; }
bash "$here/failure-cases.sh" check "$work/sim-windows" ||
  { echo "wine check: lumenfold-sim.exe's failures are not as they should be"; fail=1; }
bash "$here/failure-cases.sh" check "$work/sim-linux" >/dev/null

# --- 3. README's examples in the tools archive's folder ------------------------------
. "$here/archive-examples.sh"
archive_examples
exit $fail
