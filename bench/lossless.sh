#!/usr/bin/env bash
# The lossless mode against the full path on real photographs in every coding the mode meets.
#
# Fetches the wallpapers of Debian's ukui-wallpapers package (apt-get download + dpkg -x, into a
# scratch folder, never committed), upscales the largest to 24 megapixels with ImageMagick and
# encodes it with cjpeg at quality 92 as: 4:2:0 with standard tables, optimised tables, restart
# markers every MCU row, 4:2:2, 4:4:4, grayscale, progressive and arithmetic-coded; the
# wallpapers themselves go in as they are. Then bench_lossless stamps a 480 x 160 logo at the
# bottom right and at the top left with both paths and prints the table and the targets.
#
# Usage: bench/lossless.sh [build folder, default build] [scratch folder]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
scratch=${2:-${TMPDIR:-/tmp}/quelmar-lossless}
program=$build/bench/bench_lossless
[ -x "$program" ] || { echo "no bench_lossless at $program: build it first" >&2; exit 2; }

# shellcheck source=bench/wallpapers.sh
source "$here/wallpapers.sh"
need_photo_tools
mkdir -p "$scratch"
cd "$scratch"
rm -rf photos
fetch_wallpapers photos
biggest=$(ls -S photos/*.jpg | head -n 1)
[ -n "$biggest" ] || { echo "no JPEG in ukui-wallpapers" >&2; exit 1; }

convert-im6.q16 "$biggest" -resize 6000x4000! ppm:big.ppm
encode() { # NAME CJPEG-OPTIONS...
  cjpeg -quality 92 "${@:2}" -outfile "photos/$1.jpg" big.ppm
}
encode z-24mp-420-standard -sample 2x2
encode z-24mp-420-optimized -sample 2x2 -optimize
encode z-24mp-420-restart -sample 2x2 -restart 1
encode z-24mp-422 -sample 2x1
encode z-24mp-444 -sample 1x1
encode z-24mp-grayscale -grayscale
encode z-24mp-progressive -sample 2x2 -progressive
encode z-24mp-arithmetic -sample 2x2 -arithmetic
rm big.ppm

echo "Run $(date -u '+%Y-%m-%d %H:%M UTC') on $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load average $(cut -d' ' -f1-3 /proc/loadavg)"
taskset -c 0 "$program" photos "${REPEAT:-3}"
