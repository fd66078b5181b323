#!/usr/bin/env bash
# Checks the built plug-in: a 32-bit PE DLL that imports only the system's
# own libraries and exports its two entries (and the interface's function for
# other plug-ins) under their plain names.
set -euo pipefail
dll=${1:?usage: check-dll.sh OBSE_Lumenfold.dll}
objdump=i686-w64-mingw32-objdump
headers=$($objdump -p "$dll")
fail() { echo "check-dll: $*" >&2; exit 1; }

grep -q 'file format pei-i386' <<<"$headers" || fail "not a 32-bit PE image"
grep -Eq '^Magic[[:space:]]+010b' <<<"$headers" || fail "not a PE32 image"
grep -Eq '^[[:space:]]+DLL$' <<<"$headers" || fail "not a DLL"
imports=$(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)
for lib in $imports; do
  case "$lib" in
    kernel32.dll|msvcrt.dll) ;;
    *) fail "imports $lib; only kernel32.dll and msvcrt.dll are allowed" ;;
  esac
done
for entry in ${LF_REQUIRED_EXPORTS:-}; do
  grep -Eq "\] $entry\$" <<<"$headers" || fail "does not export $entry"
done
echo "check-dll: $(basename "$dll") is a 32-bit PE DLL importing only: $(echo $imports)"
