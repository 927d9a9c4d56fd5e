#!/usr/bin/env bash
# Generates a small tree to demonstrate quelmar-cli on (needs cjpeg from libjpeg-turbo-progs):
#   DIR/logo.bmp     a 48 x 32 logo, white (transparent) around a red disc
#   DIR/photos/      nested folders of JPEG photographs, with the cases a run meets: upper-case
#                    and .jpeg names, a progressive file, an excluded folder "raw", a folder
#                    without photographs, a file that is not a JPEG, one smaller than the logo
#                    and an empty one
#   DIR/output/      an empty folder for the results
# Usage: scripts/make-sample-tree.sh [--no-failures] DIR   (an existing DIR is replaced)
# --no-failures leaves out the three files that cannot be converted, so that a run over the
# tree ends with exit status 0 instead of 1.
set -euo pipefail
failures=1
if [ "${1:-}" = "--no-failures" ]; then
  failures=0
  shift
fi
dir=${1:?usage: make-sample-tree.sh [--no-failures] DIR}

# A plain (ASCII) PPM gradient of width x height; seed varies the colours.
ppm() {
  awk -v w="$1" -v h="$2" -v s="$3" 'BEGIN {
    printf "P3\n%d %d\n255\n", w, h
    for (y = 0; y < h; y++) {
      for (x = 0; x < w; x++) {
        printf "%d %d %d\n", 40 + x * 180 / w, 40 + y * 180 / h, 40 + (s * 37) % 180
      }
    }
  }'
}

photo() {  # photo PATH WIDTH HEIGHT SEED [cjpeg options]
  local path=$1 w=$2 h=$3 seed=$4
  shift 4
  mkdir -p "$(dirname "$path")"
  ppm "$w" "$h" "$seed" | cjpeg -quality 85 "$@" > "$path"
}

# An uncompressed 24-bit BMP (rows bottom-up, each padded to 4 bytes), written with printf's
# octal escapes.
logo() {
  local w=48 h=32
  printf "$(awk -v w=$w -v h=$h '
    function byte(v) { printf "\\%03o", v % 256 }
    function le16(v) { byte(v); byte(int(v / 256)) }
    function le32(v) { le16(v % 65536); le16(int(v / 65536)) }
    BEGIN {
      stride = int((3 * w + 3) / 4) * 4
      printf "BM"; le32(54 + stride * h); le32(0); le32(54)
      le32(40); le32(w); le32(h); le16(1); le16(24); le32(0); le32(stride * h)
      le32(2835); le32(2835); le32(0); le32(0)
      for (y = h - 1; y >= 0; y--) {
        for (x = 0; x < w; x++) {
          dx = x - w / 2; dy = y - h / 2
          if (dx * dx + dy * dy < 12 * 12) { byte(40); byte(40); byte(220) }
          else { byte(255); byte(255); byte(255) }
        }
        for (p = 3 * w; p < stride; p++) byte(0)
      }
    }')" > "$1"
}

rm -rf "$dir"
mkdir -p "$dir/output"
logo "$dir/logo.bmp"

photo "$dir/photos/DSC_0001.jpg" 320 240 1
photo "$dir/photos/DSC_0002.JPG" 240 320 2
photo "$dir/photos/panorama.jpeg" 480 160 3 -progressive
photo "$dir/photos/旅行/2024/IMG_0101.jpg" 320 240 4
photo "$dir/photos/旅行/2024/IMG_0102.jpg" 320 240 5 -progressive
photo "$dir/photos/旅行/2024/IMG_0103.Jpeg" 200 200 6
photo "$dir/photos/旅行/raw/IMG_0101.jpg" 320 240 7
[ "$failures" -eq 0 ] || photo "$dir/photos/icons/tiny.jpg" 16 16 8
mkdir -p "$dir/photos/documents"
echo "no photographs here" > "$dir/photos/documents/readme.txt"
if [ "$failures" -eq 1 ]; then
  echo "this is not a JPEG" > "$dir/photos/旅行/notes.jpg"
  : > "$dir/photos/旅行/empty.jpg"
fi
photo "$dir/photos/ignored.jpe" 64 64 9

echo "sample tree in $dir: logo.bmp, photos/ ($(find "$dir/photos" -type f | wc -l) files), output/"
