#!/usr/bin/env bash
# Loads the real OBSE_Lumenfold.dll with the real Windows loader under Wine,
# from a host program whose image covers the game's address range, with a
# settings file beside it, and checks what the plug-in did (see driver.cpp).
# Exit 77 (skipped) where this machine cannot run 32-bit programs: Wine's
# 32-bit loader is itself a 32-bit Linux program.
set -uo pipefail
build=${1:?usage: run-wine-check.sh WINDOWS_BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)

if ! bash "$here/../../scripts/native32.sh"; then
  echo "wine check skipped: this kernel runs no 32-bit programs (32-bit emulation is off), so Wine cannot start a 32-bit Windows program"
  exit 77
fi
command -v wine >/dev/null || { echo "wine check: wine is not installed (scripts/install-deps.sh)"; exit 1; }

work=$(mktemp -d /tmp/lumenfold-wine-XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$build/lumenfold-wine-host.exe" "$build/lumenfold-wine-driver.dll" \
   "$build/OBSE_Lumenfold.dll" "$work/"
mkdir -p "$work/Data/obse/plugins"
printf '[Main]\r\nbFirstPersonShadows=1\r\nfSittingMaxLookingDownOverride=35.5\r\nfMountedMaxLookingDownOverride=40\r\nfVanityModeForceDefaultOverride=275\r\n' \
  > "$work/Data/obse/plugins/OBSE_Lumenfold.ini"

export WINEPREFIX="$work/prefix" WINEDEBUG=-all
cd "$work"
timeout 300 wine lumenfold-wine-host.exe > out.txt 2>err.txt
rc=$?
cat out.txt
fail=0
[ "$rc" -eq 0 ] || { echo "wine check: the host program exited with $rc"; cat err.txt; fail=1; }
for line in "OBSE version too old (got 00000013 expected at least 00000014)" \
            "incorrect Oblivion version (got 010201A1 need 010201A0)"; do
  grep -qxF -- "$line" <(tr -d '\r' < out.txt) || { echo "wine check: missing line: $line"; fail=1; }
done
exit $fail
