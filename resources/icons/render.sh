#!/usr/bin/env bash
# The icons are drawn for this program and belong to it under the same terms as its code.
# Renders the tool-button icons from their SVG sources (svg/) into the PNG files that the
# program compiles in (icons.qrc): 24 pixels and 48 pixels for high-density screens.
# Needs rsvg-convert (Debian package librsvg2-bin). Run it after changing an SVG.
set -euo pipefail
cd "$(dirname "$0")"
for svg in svg/*.svg; do
    name=$(basename "$svg" .svg)
    rsvg-convert -w 24 -h 24 "$svg" -o "$name.png"
    rsvg-convert -w 48 -h 48 "$svg" -o "$name@2x.png"
done
