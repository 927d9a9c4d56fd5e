#!/usr/bin/env bash
# quelmar-cli against the codec floor and its peers on real photographs, in one run.
#
# Fetches the wallpapers of Debian packages (apt-get download + dpkg -x, into a scratch
# folder, never committed), adds a grayscale copy, a small one and a 24-megapixel one made by
# upscaling (baseline and progressive), then stamps the same logo at the bottom right at half
# strength and quality 90 with:
#   quelmar-cli -j1 and quelmar-cli with every core,
#   the codec floor: djpeg -dct float | cjpeg -dct float -quality 90 (progressive where the
#     source is),
#   ImageMagick (composite), GraphicsMagick (gm composite) and libvips (vips composite2).
# Everything but quelmar-cli with every core runs pinned to one core. Each photo takes the
# best of $REPEAT runs; peak memory is /usr/bin/time's maximum resident set size. Prints
# milliseconds per megapixel, the ratio to the floor and the peak memory per tool, then the
# issue's targets.
#
# Usage: bench/peers.sh [build folder, default build-par] [scratch folder]
# Installs imagemagick, graphicsmagick, libvips-tools, libjpeg-turbo-progs and time with
# apt-get when they are missing.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-par}
scratch=${2:-${TMPDIR:-/tmp}/quelmar-peers}
cli=$(cd "$build" && pwd)/src/cli/quelmar-cli
REPEAT=${REPEAT:-3}
QUALITY=90
DENSITY=128 # of 256: half strength
WALLPAPERS=(ukui-wallpapers lomiri-wallpapers)

[ -x "$cli" ] || { echo "no quelmar-cli at $cli: build it first" >&2; exit 2; }

# The peers, installed when missing. The versioned ImageMagick names, not whatever "convert"
# the PATH finds first.
need=()
command -v composite-im6.q16 >/dev/null || need+=(imagemagick)
command -v gm >/dev/null || need+=(graphicsmagick)
command -v vips >/dev/null || need+=(libvips-tools)
command -v djpeg >/dev/null || need+=(libjpeg-turbo-progs)
[ -x /usr/bin/time ] || need+=(time)
if [ ${#need[@]} -gt 0 ]; then
  sudo=
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
im_convert=convert-im6.q16
im_composite=composite-im6.q16

mkdir -p "$scratch"
cd "$scratch"
rm -rf photos folder out logo.* ./*.tsv
mkdir -p photos folder out

# Real photographs.
if ! ls debs/*.deb >/dev/null 2>&1; then
  mkdir -p debs
  (cd debs && apt-get download "${WALLPAPERS[@]}")
fi
rm -rf unpacked
for deb in debs/*.deb; do dpkg -x "$deb" unpacked; done
while IFS= read -r -d '' jpeg; do
  cp "$jpeg" "photos/$(basename "${jpeg%.*}").jpg"
done < <(find unpacked -iname '*.jp*g' -print0)
first=$(find photos -name '*.jpg' | sort | head -n 1)
[ -n "$first" ] || { echo "no JPEG in ${WALLPAPERS[*]}" >&2; exit 1; }
biggest=$(for f in photos/*.jpg; do
  echo "$(vipsheader -f width "$f") $(vipsheader -f height "$f") $f"
done | sort -k1,1n -k2,2n | tail -n 1 | cut -d' ' -f3)
djpeg -grayscale "$first" | cjpeg -quality 92 >photos/z-grayscale.jpg
$im_convert "$biggest" -resize 1400x930! -quality 92 photos/z-small-1.3mp.jpg
$im_convert "$biggest" -resize 6000x4000! -quality 92 photos/z-upscaled-24mp.jpg
$im_convert "$biggest" -resize 6000x4000! -quality 92 -interlace JPEG \
  photos/z-upscaled-24mp-progressive.jpg
# A tiny photo for the process start.
$im_convert -size 64x48 gradient:navy-orange -quality 90 tiny.jpg

# The logo: white is the transparent colour for quelmar-cli; the peers get the same logo with
# an alpha channel at half strength.
$im_convert -size 480x160 xc:white -fill '#1d3f8a' -draw 'roundrectangle 16,16 464,144 28,28' \
  -fill '#f4c542' -draw 'circle 90,80 90,40' -type TrueColor BMP3:logo.bmp
$im_convert logo.bmp -transparent white -channel A -evaluate multiply 0.5 +channel logo.png
logo_width=480
logo_height=160

progressive() { # FILE: true when the first frame is progressive (SOF2)
  python3 - "$1" <<'EOF'
import sys
data = open(sys.argv[1], "rb").read()
i = 2
while i + 4 <= len(data) and data[i] == 0xFF:
    marker = data[i + 1]
    if marker in (0xC0, 0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7, 0xC9, 0xCA, 0xCB, 0xCD, 0xCE, 0xCF):
        sys.exit(0 if marker in (0xC2, 0xC6, 0xCA, 0xCE) else 1)
    i += 2 + int.from_bytes(data[i + 2:i + 4], "big")
sys.exit(1)
EOF
}

# run TOOL PHOTO COMMAND...: the best wall time of $REPEAT runs and the largest peak memory,
# appended to results.tsv.
run() {
  local tool=$1 photo=$2 best='' peak=0 start end seconds kib
  shift 2
  for ((i = 0; i < REPEAT; i++)); do
    start=$(date +%s%N)
    /usr/bin/time -f %M -o rss.txt "$@" >/dev/null 2>run.err || {
      echo "$tool failed on $photo:" >&2
      cat run.err >&2
      exit 1
    }
    end=$(date +%s%N)
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", (b - a) / 1e9 }')
    kib=$(tail -n 1 rss.txt)
    if [ -z "$best" ] || awk -v s="$seconds" -v b="$best" 'BEGIN { exit !(s < b) }'; then
      best=$seconds
    fi
    [ "$kib" -gt "$peak" ] && peak=$kib
  done
  printf '%s\t%s\t%s\t%s\n' "$tool" "$photo" "$best" "$peak" >>results.tsv
}

one_core=(taskset -c 0)
printf 'tool\tphoto\tseconds\tpeak_kib\n' >results.tsv
printf 'photo\tmegapixels\tkind\n' >photos.tsv
for photo in photos/*.jpg; do
  name=$(basename "$photo")
  width=$(vipsheader -f width "$photo")
  height=$(vipsheader -f height "$photo")
  bands=$(vipsheader -f bands "$photo")
  kind=baseline
  interlace=()
  gm_interlace=()
  vips_options="Q=$QUALITY"
  cjpeg_options=()
  if progressive "$photo"; then
    kind=progressive
    interlace=(-interlace JPEG)
    gm_interlace=(-interlace Line)
    vips_options="$vips_options,interlace"
    cjpeg_options=(-progressive)
  fi
  [ "$bands" -eq 1 ] && kind="$kind grayscale"
  printf '%s\t%s\t%s\n' "$name" "$(awk -v w="$width" -v h="$height" 'BEGIN { printf "%.2f", w * h / 1e6 }')" \
    "$kind" >>photos.tsv
  rm -rf folder/* out/*
  cp "$photo" folder/
  x=$((width - logo_width))
  y=$((height - logo_height))

  cli_args=(--logo logo.bmp --source folder --output out --position 5 --density "$DENSITY"
    --mask 0 --quality "$QUALITY")
  run quelmar-j1 "$name" "${one_core[@]}" "$cli" "${cli_args[@]}" -j1
  run quelmar-jN "$name" "$cli" "${cli_args[@]}"
  # shellcheck disable=SC2016 # $1 is the inner shell's
  run floor "$name" "${one_core[@]}" sh -c \
    'djpeg -dct float "$1" | cjpeg -dct float -quality '"$QUALITY"' '"${cjpeg_options[*]}"' >out/floor.jpg' \
    sh "$photo"
  run imagemagick "$name" "${one_core[@]}" "$im_composite" -gravity southeast logo.png "$photo" \
    -quality "$QUALITY" "${interlace[@]}" out/im.jpg
  run graphicsmagick "$name" "${one_core[@]}" gm composite -gravity southeast logo.png "$photo" \
    -quality "$QUALITY" "${gm_interlace[@]}" out/gm.jpg
  run libvips "$name" "${one_core[@]}" env VIPS_CONCURRENCY=1 vips composite2 "$photo" logo.png \
    "out/vips.jpg[$vips_options]" over --x "$x" --y "$y"
done

# Throughput over a folder of every photo: -j1 against -j2.
rm -rf folder/* out/*
cp photos/*.jpg folder/
folder_args=(--logo logo.bmp --source folder --output out --position 5 --density "$DENSITY"
  --quality "$QUALITY")
run folder-j1 all "$cli" "${folder_args[@]}" -j1
run folder-j2 all "$cli" "${folder_args[@]}" -j2

# Process start on a tiny photo, with a logo that fits it.
rm -rf folder/* out/*
cp tiny.jpg folder/
$im_convert -size 16x8 xc:white -fill black -draw 'rectangle 4,2 11,5' -type TrueColor \
  BMP3:tiny-logo.bmp
REPEAT=$((REPEAT * 5)) run start tiny.jpg "$cli" --logo tiny-logo.bmp --source folder \
  --output out -j1

python3 - "$(nproc)" <<'EOF'
import csv, statistics, sys

cores = sys.argv[1]
photos = list(csv.DictReader(open("photos.tsv"), delimiter="\t"))
results = {}
for row in csv.DictReader(open("results.tsv"), delimiter="\t"):
    results[(row["tool"], row["photo"])] = (float(row["seconds"]), int(row["peak_kib"]))
tools = ["quelmar-j1", "quelmar-jN", "floor", "imagemagick", "graphicsmagick", "libvips"]
names = {"quelmar-jN": f"quelmar-j{cores}"}

def mp(photo):
    return float(photo["megapixels"])

print("Milliseconds per megapixel (ratio to the floor); one core each but quelmar-j" + cores)
header = f"| {'photo':32} | {'MP':>5} | {'kind':21} |" + "".join(
    f" {names.get(t, t):>16} |" for t in tools)
print(header)
print("|" + "|".join("-" * (len(c)) for c in header.split("|")[1:-1]) + "|")
ratios = {t: [] for t in tools}
for photo in photos:
    floor = results[("floor", photo["photo"])][0]
    cells = []
    for tool in tools:
        seconds = results[(tool, photo["photo"])][0]
        ratios[tool].append(seconds / floor)
        cells.append(f"{1000 * seconds / mp(photo):7.1f} ({seconds / floor:4.2f})")
    print(f"| {photo['photo']:32} | {mp(photo):5.1f} | {photo['kind']:21} |" +
          "".join(f" {c:>16} |" for c in cells))
total_mp = sum(mp(p) for p in photos)
totals = {t: sum(results[(t, p["photo"])][0] for p in photos) for t in tools}
cells = [f"{1000 * totals[t] / total_mp:7.1f} ({totals[t] / totals['floor']:4.2f})" for t in tools]
print(f"| {'whole set':32} | {total_mp:5.1f} | {'':21} |" + "".join(f" {c:>16} |" for c in cells))
cells = [f"({statistics.median(ratios[t]):4.2f})" for t in tools]
print(f"| {'median ratio per photo':32} | {'':5} | {'':21} |" +
      "".join(f" {c:>16} |" for c in cells))
peaks = {t: max(results[(t, p["photo"])][1] for p in photos) / 1024 for t in tools}
cells = [f"{peaks[t]:.0f} MiB" for t in tools]
print(f"| {'peak memory (largest photo)':32} | {'':5} | {'':21} |" +
      "".join(f" {c:>16} |" for c in cells))

print()
peers = min(totals[t] for t in ("imagemagick", "graphicsmagick", "libvips"))
worst = max(ratios["quelmar-j1"])
j1 = results[("folder-j1", "all")][0]
j2 = results[("folder-j2", "all")][0]
start = results[("start", "tiny.jpg")][0]
big = [p["photo"] for p in photos if mp(p) >= 23]
big_peak = max(results[("quelmar-j1", b)][1] for b in big) / 1024 if big else float("nan")

def verdict(ok):
    return "met" if ok else "MISSED"

print("Targets")
print(f"- quelmar-cli -j1 <= 1.0 x floor on every photo: worst {worst:.2f} x  {verdict(worst <= 1.0)}")
print(f"- fastest peer / quelmar-cli -j1 over the set >= 1.25: {peers / totals['quelmar-j1']:.2f}  "
      f"{verdict(peers / totals['quelmar-j1'] >= 1.25)}")
print(f"- folder throughput -j2 / -j1 >= 1.8: {j1 / j2:.2f} ({j1:.2f} s / {j2:.2f} s)  "
      f"{verdict(j1 / j2 >= 1.8)}")
print(f"- process start on a tiny photo < 10 ms: {1000 * start:.1f} ms  {verdict(start < 0.010)}")
print(f"- peak memory for 24 MP with -j1 < 90 MiB: {big_peak:.0f} MiB  {verdict(big_peak < 90)}")
EOF
