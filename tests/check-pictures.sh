#!/usr/bin/env bash
# The README's pictures: each is drawn again from its pose scenario and must
# be well-formed SVG, present in docs/pose, and the same as the one there
# (which the main command draws).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
work=$(mktemp -d /tmp/lumenfold-pictures-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail=0
bash scripts/pose-pictures.sh "$work" > /dev/null || { echo "pictures: drawing failed"; exit 1; }
count=0
for drawn in "$work"/*.svg; do
  name=$(basename "$drawn")
  count=$((count + 1))
  xmllint --noout "$drawn" || { echo "pictures: $name is not well-formed"; fail=1; }
  if [ ! -f "docs/pose/$name" ]; then
    echo "pictures: docs/pose/$name is missing (bash scripts/release.sh draws it)"; fail=1
  elif ! cmp -s "$drawn" "docs/pose/$name"; then
    echo "pictures: docs/pose/$name is not what the simulator draws now (bash scripts/release.sh draws it again)"; fail=1
  fi
  grep -q "docs/pose/$name" README.md || { echo "pictures: the README does not show $name"; fail=1; }
done
[ "$count" -eq 18 ] || { echo "pictures: $count pictures drawn, 18 expected"; fail=1; }
[ "$fail" -eq 0 ] && echo "pictures: all $count pose pictures are well-formed and up to date"
exit $fail
