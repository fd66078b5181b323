#!/usr/bin/env bash
# The examples of README's simulator section, one command a line, each as
# written there (beginning with "lumenfold-sim "): the lines of the first
# fenced block after the heading "## The simulator".
#   readme-examples.sh README.md
set -euo pipefail
awk '/^## The simulator/ {section=1; next}
     section && /^## / {exit}
     section && /^```/ {if (inside) exit; inside=1; next}
     inside && /^lumenfold-sim / {print}' "${1:?usage: readme-examples.sh README.md}"
