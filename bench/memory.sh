#!/usr/bin/env bash
# The peak memory of one job on 24-megapixel photographs, against djpeg alone.
#
# Fetches the wallpapers of Debian's ukui-wallpapers package (see bench/wallpapers.sh), upscales
# the largest to 6000 x 4000 and encodes it with cjpeg at quality 92 as a progressive 4:4:4
# photo (as ImageMagick writes at that quality), a progressive 4:2:0 one and a baseline 4:2:0
# one. Each is stamped alone by `quelmar-cli -j1` under /usr/bin/time; the peak resident size is
# printed with djpeg's on the same photo, and the target for the progressive photos.
#
# Usage: bench/memory.sh [build folder, default build] [scratch folder]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
scratch=${2:-${TMPDIR:-/tmp}/quelmar-memory}
cli=$build/src/cli/quelmar-cli
[ -x "$cli" ] || { echo "no quelmar-cli at $cli: build it first" >&2; exit 2; }

# shellcheck source=bench/wallpapers.sh
source "$here/wallpapers.sh"
need_photo_tools
mkdir -p "$scratch"
cd "$scratch"
rm -rf photos one out
mkdir -p one out
fetch_wallpapers photos
biggest=$(ls -S photos/*.jpg | head -n 1)
convert-im6.q16 "$biggest" -resize 6000x4000! ppm:big.ppm
cjpeg -quality 92 -progressive -sample 1x1 big.ppm >progressive-444.jpg
cjpeg -quality 92 -progressive big.ppm >progressive-420.jpg
cjpeg -quality 92 big.ppm >baseline-420.jpg
rm big.ppm
convert-im6.q16 -size 480x160 xc:white -fill '#1d3f8a' -draw 'roundrectangle 16,16 464,144 28,28' \
  -type TrueColor BMP3:logo.bmp

peak() { # COMMAND...: the peak resident size in MiB
  /usr/bin/time -f %M -o rss.txt "$@" >/dev/null 2>&1
  awk '{ printf "%.0f", $1 / 1024 }' rss.txt
}

echo "Run $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-22s %14s %10s\n' photo "quelmar -j1" djpeg
for photo in progressive-444 progressive-420 baseline-420; do
  rm -f one/* out/*
  cp "$photo.jpg" one/
  ours=$(peak "$cli" --logo logo.bmp --source one --output out --position 5 --density 128 \
    --quality 90 -j1)
  theirs=$(peak djpeg "$photo.jpg")
  printf '%-22s %10s MiB %6s MiB\n' "$photo" "$ours" "$theirs"
  case $photo in progressive-*)
    verdict=met
    [ "$ours" -le 150 ] || verdict=MISSED
    echo "  target: a 24 MP progressive photo peaks at <= 150 MiB with one job: $ours MiB  $verdict"
    ;;
  esac
done
