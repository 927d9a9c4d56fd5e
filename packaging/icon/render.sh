#!/usr/bin/env bash
# Renders the icon's PNG sizes from the scalable pictures. The PNGs are committed, so only
# whoever changes the artwork runs this (needs rsvg-convert, Debian package librsvg2-bin).
# The 16-pixel size has its own picture drawn on the pixel grid; the 32-pixel one, which
# the about window shows, is stored as a 256-colour indexed PNG.
set -euo pipefail
cd "$(dirname "$0")"

for size in 16 22 24 32 48 64 128 256; do
  picture=quelmar.svg
  [ "$size" -eq 16 ] && picture=quelmar-16.svg
  rsvg-convert --width "$size" --height "$size" "$picture" --output "quelmar-$size.png"
done

rgba=$(mktemp)
trap 'rm -f "$rgba"' EXIT
cp quelmar-32.png "$rgba"
python3 png_to_indexed.py "$rgba" quelmar-32.png
