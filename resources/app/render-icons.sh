#!/usr/bin/env bash
# Renders the committed PNG icons from brw.svg after a change of the drawing
# (rsvg-convert is in Debian's librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128; do
    rsvg-convert -w "$size" -h "$size" brw.svg -o "brw-$size.png"
done
