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

archives=$(bash scripts/package.sh "$work/out") || { echo "package: packing failed"; exit 1; }
archive=$(echo "$archives" | head -n 1)
tools=$(echo "$archives" | tail -n 1)
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
keys=$(grep -E '^[bfi][A-Za-z]+=' "$work/default.ini" | cut -d= -f1)
[ "$(echo "$keys" | wc -l)" -eq 29 ] || problem "the default file does not have 29 keys"
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

# Every line of README's troubleshooting table is in the readme's
# troubleshooting section (the readme writes "..." where README writes "…").
t=$(section "$readme" '^TROUBLESHOOTING')
[ -n "$t" ] || problem "the readme has no TROUBLESHOOTING section"
while IFS= read -r line; do
  [ -n "$line" ] || continue
  grep -qF -- "$line" <<<"$t" || problem "the readme lacks README's troubleshooting line: $line"
done < <(awk '/^## Troubleshooting/ {f=1; next} f && /^## / {exit} f && /^\| `/' README.md |
         cut -d'|' -f2 | grep -o '`[^`]*`' | tr -d '`' | sed 's/…/.../g' | tr -s ' ')

# The tools: the simulator for Windows (importing only the system's libraries)
# with every documented scenario, the pose scenarios and the settings file of
# README's pictures, their documentation and the recordings', each where it
# is in the repository.
want=$( { printf '%s\n' lumenfold-sim.dll lumenfold-sim.exe docs/scenarios.md docs/recording.md docs/simulated-game.md \
            docs/other-plugins.md sdk/lumenfold_api.h
          ls docs/scenarios/*.json docs/pose/*.json docs/pose/*.ini; } | LC_ALL=C sort)
got=$(unzip -Z1 "$tools" | grep -v '/$' | LC_ALL=C sort)
[ "$got" = "$want" ] || problem "the tools archive holds:"$'\n'"$got"$'\n'"instead of:"$'\n'"$want"
unzip -q "$tools" -d "$work/tools"
# Every file that README's pictures are drawn from is in it.
for f in $(grep -o 'docs/pose/[A-Za-z0-9_.-]*\.\(json\|ini\)' scripts/pose-pictures.sh README.md |
           cut -d: -f2 | sort -u) $(ls docs/pose/*.json); do
  [ -e "$work/tools/$f" ] || problem "the tools archive lacks $f, which README's pictures use"
done
# Its documents link only documents it holds, and name no other.
for doc in "$work"/tools/docs/*.md; do
  for link in $(grep -o '](\([^)#]*\)' "$doc" | sed 's/^](//'); do
    [ -e "$(dirname "$doc")/$link" ] ||
      problem "$(basename "$doc") in the tools archive links $link, which the archive lacks"
  done
  for name in $(grep -o '[A-Za-z0-9_-]*\.md' "$doc" | sort -u); do
    [ -e "$(dirname "$doc")/$name" ] ||
      problem "$(basename "$doc") in the tools archive names $name, which the archive lacks"
  done
done
# The usage text names the archive's own files.
usage=$( { scripts/run32.sh build/linux/lumenfold-sim --help
           for c in run settings ini readme record replay soak batch; do
             scripts/run32.sh build/linux/lumenfold-sim help "$c"; done; } )
for name in $(grep -o 'docs/[A-Za-z0-9_./-]*[A-Za-z0-9_-]' <<<"$usage" | sort -u); do
  [ -e "$work/tools/$name" ] || problem "the usage text names $name, which the tools archive lacks"
done
for f in lumenfold-sim.dll lumenfold-sim.exe; do
  for lib in $(i686-w64-mingw32-objdump -p "$work/tools/$f" | awk '/DLL Name:/ {print tolower($3)}'); do
    case "$lib" in
      kernel32.dll|msvcrt.dll) ;;
      *) problem "$f imports $lib; only the system's kernel32.dll and msvcrt.dll are allowed" ;;
    esac
  done
done

[ "$fail" -eq 0 ] && echo "package: $(basename "$archive") holds what the installers expect," \
  "$(basename "$tools") the simulator and its scenarios"
exit $fail
