#!/usr/bin/env bash
# The player's archive as the installers expect it: exactly these paths at
# its root, the settings file in it equal to the generated default file, a
# readme that names every key, and the README's install section the same as
# the readme's.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
work=$(mktemp -d /tmp/lumenfold-package-check-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail=0
problem() { echo "package: $*"; fail=1; }

archive=$(bash scripts/package.sh "$work/out") || { echo "package: packing failed"; exit 1; }
want=$'Docs/Lumenfold Readme.txt\nOBSE/Plugins/OBSE_Lumenfold.dll\nOBSE/Plugins/OBSE_Lumenfold.ini'
got=$(unzip -Z1 "$archive" | grep -v '/$' | LC_ALL=C sort)
[ "$got" = "$want" ] || problem "the archive holds:"$'\n'"$got"$'\n'"instead of:"$'\n'"$want"
unzip -Z1 "$archive" | grep -q '^Data/' && problem "the archive has a Data/ folder at its root"
[[ "$archive" == */Lumenfold-"$(head -n 1 VERSION)".zip ]] || problem "archive name $archive"

unzip -q "$archive" -d "$work/unpacked"
scripts/run32.sh build/linux/lumenfold-sim ini > "$work/default.ini"
cmp -s "$work/default.ini" "$work/unpacked/OBSE/Plugins/OBSE_Lumenfold.ini" ||
  problem "the settings file in the archive is not the generated default file"
readme="$work/unpacked/Docs/Lumenfold Readme.txt"
keys=$(grep -E '^[bf][A-Za-z]+=' "$work/default.ini" | cut -d= -f1)
[ "$(echo "$keys" | wc -l)" -eq 27 ] || problem "the default file does not have 27 keys"
for key in $keys; do
  grep -q -- "- $key (default " "$readme" || problem "the readme does not explain $key"
done

# The install section: the same words in the readme and in the README.
section() { # file, heading pattern: the lines after the heading up to the next heading
  tr -d '\r' < "$1" |
    awk -v h="$2" 'found && /^(## |[A-Z][A-Z ]+$)/ {exit} found {print} $0 ~ h {found=1}' |
    tr -s ' \n' ' ' | sed 's/^ //; s/ $//'
}
a=$(section "$readme" '^INSTALLING')
b=$(section README.md '^## Installing')
[ -n "$a" ] || problem "the readme has no INSTALLING section"
[ "$a" = "$b" ] || problem "README.md's install section differs from the readme's:"$'\n'"$b"$'\n'"$a"

[ "$fail" -eq 0 ] && echo "package: $(basename "$archive") holds what the installers expect"
exit $fail
