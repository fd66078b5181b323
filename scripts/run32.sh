#!/usr/bin/env bash
# Runs a program of the 32-bit Linux build: natively where the kernel runs
# 32-bit programs, otherwise under qemu's user-mode emulator (some kernels
# are built or booted without 32-bit support).
set -euo pipefail
if bash "$(dirname "$0")/native32.sh"; then
  exec "$@"
fi
exec qemu-i386 "$@"
