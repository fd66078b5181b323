#!/usr/bin/env bash
# Brings every package that the two builds and the tests need onto a fresh
# Debian 12 machine. Safe to run again: apt skips what is already there.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi

# Linux 32-bit build and its test libraries (with the 32-bit sanitizer
# runtimes), then the Windows cross build, Wine to load the real DLL, the
# JSON library of the simulator, clang with libFuzzer for the readers' fuzz
# targets, xmllint for the pictures' check, and qemu's user-mode emulator for
# kernels that run no 32-bit programs themselves.
install_all() {
  $SUDO apt-get install -y -qq --no-install-recommends \
    cmake make g++ g++-multilib lib32asan8 lib32ubsan1 g++-mingw-w64-i686 \
    binutils-mingw-w64-i686 nlohmann-json3-dev clang libclang-rt-14-dev zip unzip valgrind \
    libxml2-utils qemu-user >/dev/null &&
  $SUDO apt-get install -y -qq --no-remove --no-install-recommends \
    libgtest-dev:i386 libgmock-dev:i386 libbenchmark-dev:i386 >/dev/null &&
  $SUDO apt-get install -y -qq --no-remove --no-install-recommends \
    wine wine32 >/dev/null
}

# A mirror caught in the middle of its sync serves package lists that do not
# match their index: apt-get update fails for one list, and without the
# i386 list of the security updates the 32-bit libraries no longer match the
# 64-bit ones, so the install fails too. Both are tried again after a pause,
# six times at most (about ten minutes); the last failure is the script's.
tries=6
for try in $(seq 1 "$tries"); do
  if ! $SUDO apt-get update -qq; then
    echo "install-deps: the package lists could not all be fetched (try $try of $tries)" >&2
  fi
  if install_all; then
    echo "install-deps: done"
    exit 0
  fi
  echo "install-deps: the packages could not all be installed (try $try of $tries)" >&2
  if [ "$try" -lt "$tries" ]; then sleep 60; fi
done
echo "install-deps: the packages could not be installed; the package mirror may be in the middle of a sync" >&2
exit 1
