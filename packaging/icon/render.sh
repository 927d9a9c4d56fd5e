#!/usr/bin/env bash
# Renders the icon's PNG sizes from the scalable pictures. The PNGs are committed, so only
# whoever changes the artwork runs this (needs rsvg-convert, Debian package librsvg2-bin).
# The 16-pixel size has its own picture drawn on the pixel grid; 22 and 24 pixels leave out
# the seal's details (the group of class "detail"); the 32-pixel one, which the about window
# shows, is stored as a 256-colour indexed PNG.
set -euo pipefail
cd "$(dirname "$0")"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
sed '/<g class="detail"/,/<\/g>/d' quelmar.svg >"$scratch/plain.svg"

for size in 16 22 24 32 48 64 128 256; do
  case $size in
    16) picture=quelmar-16.svg ;;
    22 | 24) picture=$scratch/plain.svg ;;
    *) picture=quelmar.svg ;;
  esac
  rsvg-convert --width "$size" --height "$size" "$picture" --output "quelmar-$size.png"
done

cp quelmar-32.png "$scratch/rgba.png"
python3 png_to_indexed.py "$scratch/rgba.png" quelmar-32.png
