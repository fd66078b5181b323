#!/usr/bin/env bash
# Succeeds when this machine's kernel runs 32-bit x86 Linux programs itself.
set -u
probe=$(mktemp /tmp/lumenfold-native32-XXXXXX)
trap 'rm -f "$probe"' EXIT
echo 'int main(void){return 0;}' | gcc -m32 -x c - -o "$probe" 2>/dev/null || exit 1
"$probe" 2>/dev/null
