#!/usr/bin/env bash
# Draws the icon's PNG sizes from lettrino.svg (the 32-pixel one is the program's own
# resources/icon/128.png). Needs rsvg-convert (librsvg2-bin); the results are kept in the
# repository, so building needs neither.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" lettrino.svg -o "$size.png"
done
