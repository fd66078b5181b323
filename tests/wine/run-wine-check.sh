#!/usr/bin/env bash
# Loads the real OBSE_Lumenfold.dll with the real Windows loader under Wine,
# from a host program whose image covers the game's address range, with a
# settings file beside it, and checks what the plug-in did (see driver.cpp).
#
# Wine's loader for 32-bit Windows programs is itself a 32-bit Linux program.
# Where the kernel runs no 32-bit programs, this script (as root) registers
# qemu's user-mode emulator for them with binfmt_misc for the length of the
# check, so that Wine and every process it starts run emulated (slowly: a
# first run makes Wine's prefix, several minutes). Without either it exits
# 77, which ctest reports as skipped.
set -uo pipefail
build=${1:?usage: run-wine-check.sh WINDOWS_BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
native32="$here/../../scripts/native32.sh"
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
cp "$build/lumenfold-wine-host.exe" "$build/lumenfold-wine-driver.dll" \
   "$build/OBSE_Lumenfold.dll" "$work/"
mkdir -p "$work/Data/obse/plugins"
printf '[Main]\r\nbFirstPersonShadows=1\r\nfSittingMaxLookingDownOverride=35.5\r\nfMountedMaxLookingDownOverride=40\r\nfVanityModeForceDefaultOverride=275\r\n' \
  > "$work/Data/obse/plugins/OBSE_Lumenfold.ini"

# No desktop, no device drivers, no .NET or HTML engines: nothing the check
# needs, and less for the emulator to run.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedevice.exe,explorer.exe,winemenubuilder.exe=d"
cd "$work"
# In a process group of its own, so that everything Wine starts can be ended.
setsid timeout 900 wine lumenfold-wine-host.exe > out.txt 2>err.txt &
group=$!
wait "$group"
rc=$?
tr -d '\r' < out.txt > lines.txt
cat lines.txt
if ! grep -qx "wine-host: started" lines.txt; then
  if [ -n "$emulated" ]; then
    # Wine itself did not get as far as the program: under emulation its
    # start-up sometimes hangs. That says nothing about the plug-in.
    echo "wine check skipped: Wine did not start the host program under emulation (exit $rc)"
    exit 77
  fi
  echo "wine check: Wine did not start the host program (exit $rc)"; tail -20 err.txt
  exit 1
fi
fail=0
[ "$rc" -eq 0 ] || { echo "wine check: the host program exited with $rc"; tail -20 err.txt; fail=1; }
for line in "OBSE version too old (got 00000013 expected at least 00000014)" \
            "incorrect Oblivion version (got 010201A1 need 010201A0)" \
            "site 0x0066BE6E (head camera) holds a jump to 0x1F2A3B40 that is not the game's: Lumenfold stays off, nothing was patched (found: E9 CD 7C C3 1E)"; do
  grep -qxF -- "$line" lines.txt || { echo "wine check: missing line: $line"; fail=1; }
done
grep -q "checks passed" lines.txt || { echo "wine check: the checks did not finish"; fail=1; }
exit $fail
