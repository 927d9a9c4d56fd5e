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
$im_convert "$biggest" -resize 1400x930! -quality 92 photos/z-1.3mp.jpg
$im_convert "$biggest" -resize 6000x4000! -quality 92 photos/z-24mp-upscaled.jpg
$im_convert "$biggest" -resize 6000x4000! -quality 92 -interlace JPEG \
  photos/z-24mp-upscaled-progressive.jpg
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

# measure.py TOOL PHOTO REPEAT COMMAND...: the best wall time and the best CPU time (user +
# system, the command's children included) of REPEAT runs, then one more run under
# /usr/bin/time -f %M for the peak memory; appended to results.tsv.
cat >measure.py <<'EOF'
import os, subprocess, sys, time

tool, photo, repeat, command = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]
wall = cpu = float("inf")
for _ in range(repeat):
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    wall = min(wall, time.perf_counter() - start)
    cpu = min(cpu, usage.ru_utime + usage.ru_stime)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{tool} failed on {photo}: {child.stderr.read().decode(errors='replace')}")
subprocess.run(["/usr/bin/time", "-f", "%M", "-o", "rss.txt"] + command,
               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
peak = int(open("rss.txt").read().split()[-1])
with open("results.tsv", "a") as results:
    results.write(f"{tool}\t{photo}\t{wall:.6f}\t{cpu:.6f}\t{peak}\n")
EOF
run() { # TOOL PHOTO COMMAND...
  python3 measure.py "$1" "$2" "$REPEAT" "${@:3}"
}

one_core=(taskset -c 0)
printf 'tool\tphoto\tseconds\tcpu\tpeak_kib\n' >results.tsv
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
  djpeg_options=()
  if [ "$bands" -eq 1 ]; then
    kind="$kind grayscale"
    # The output is three components for every tool, the floor's too.
    djpeg_options=(-rgb)
  fi
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
    'djpeg -dct float '"${djpeg_options[*]}"' "$1" | cjpeg -dct float -quality '"$QUALITY"' '"${cjpeg_options[*]}"' >out/floor.jpg' \
    sh "$photo"
  run imagemagick "$name" "${one_core[@]}" "$im_composite" -gravity southeast logo.png "$photo" \
    -quality "$QUALITY" "${interlace[@]}" out/im.jpg
  run graphicsmagick "$name" "${one_core[@]}" gm composite -gravity southeast logo.png "$photo" \
    -quality "$QUALITY" "${gm_interlace[@]}" out/gm.jpg
  run libvips "$name" "${one_core[@]}" env VIPS_CONCURRENCY=1 vips composite2 "$photo" logo.png \
    "out/vips.jpg[$vips_options]" over --x "$x" --y "$y"
done

# Throughput over two folders, -j1 against -j2: 30 copies of one wallpaper, and three copies
# of every photo (where the 24-megapixel ones make the end of the run uneven).
folder_args=(--logo logo.bmp --source folder --output out --position 5 --density "$DENSITY"
  --quality "$QUALITY")
rm -rf folder/* out/*
for copy in $(seq 10 39); do cp "$first" "folder/$copy.jpg"; done
run uniform-j1 all "$cli" "${folder_args[@]}" -j1
run uniform-j2 all "$cli" "${folder_args[@]}" -j2
rm -rf folder/* out/*
for copy in 1 2 3; do
  for photo in photos/*.jpg; do cp "$photo" "folder/$copy-$(basename "$photo")"; done
done
run mixed-j1 all "$cli" "${folder_args[@]}" -j1
run mixed-j2 all "$cli" "${folder_args[@]}" -j2

# Process start on a tiny photo, with a logo that fits it.
rm -rf folder/* out/*
cp tiny.jpg folder/
$im_convert -size 16x8 xc:white -fill black -draw 'rectangle 4,2 11,5' -type TrueColor \
  BMP3:tiny-logo.bmp
REPEAT=$((REPEAT * 5))
run start tiny.jpg "$cli" --logo tiny-logo.bmp --source folder \
  --output out -j1

echo "Run $(date -u '+%Y-%m-%d %H:%M UTC') on $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores," \
  "$(free -g | awk '/^Mem/ { print $2 }') GiB, Linux $(uname -r), Debian $(cat /etc/debian_version)," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
dpkg-query -W -f '${Package} ${Version}\n' libjpeg62-turbo libjpeg-turbo-progs imagemagick-6.q16 \
  graphicsmagick libvips-tools 2>/dev/null | paste -sd';' | sed 's/;/; /g'
echo
python3 - "$(nproc)" <<'EOF'
import csv, statistics, sys

cores = sys.argv[1]
photos = list(csv.DictReader(open("photos.tsv"), delimiter="\t"))
results = {}
for row in csv.DictReader(open("results.tsv"), delimiter="\t"):
    results[(row["tool"], row["photo"])] = {
        "wall": float(row["seconds"]), "cpu": float(row["cpu"]), "peak": int(row["peak_kib"])}
tools = ["quelmar-j1", "quelmar-jN", "floor", "imagemagick", "graphicsmagick", "libvips"]
names = {"quelmar-jN": f"quelmar-j{cores}"}
peers = ("imagemagick", "graphicsmagick", "libvips")


def mp(photo):
    return float(photo["megapixels"])


def row(label, megapixels, kind, cells):
    print(f"| {label:32} | {megapixels:>5} | {kind:21} |" + "".join(f" {c:>16} |" for c in cells))


def table(measure, title):
    print(title)
    row("photo", "MP", "kind", [names.get(t, t) for t in tools])
    print("|" + "|".join(["-" * 34, "-" * 7, "-" * 23] + ["-" * 18] * len(tools)) + "|")
    ratios = {t: [] for t in tools}
    for photo in photos:
        floor = results[("floor", photo["photo"])][measure]
        cells = []
        for tool in tools:
            seconds = results[(tool, photo["photo"])][measure]
            ratios[tool].append(seconds / floor)
            cells.append(f"{1000 * seconds / mp(photo):.1f} ({seconds / floor:.2f})")
        row(photo["photo"], f"{mp(photo):.1f}", photo["kind"], cells)
    total_mp = sum(mp(p) for p in photos)
    totals = {t: sum(results[(t, p["photo"])][measure] for p in photos) for t in tools}
    row("whole set", f"{total_mp:.1f}", "",
        [f"{1000 * totals[t] / total_mp:.1f} ({totals[t] / totals['floor']:.2f})" for t in tools])
    row("median ratio per photo", "", "", [f"({statistics.median(ratios[t]):.2f})" for t in tools])
    print()
    return totals, ratios


def verdict(ok):
    return "met" if ok else "MISSED"


walls, wall_ratios = table("wall", "Wall milliseconds per megapixel (ratio to the floor); every "
                           f"tool pinned to one core but quelmar-j{cores}")
cpus, cpu_ratios = table("cpu", "CPU milliseconds per megapixel, user + system (ratio to the "
                         "floor): what a busy machine cannot steal")
row("peak memory, MiB", "", "",
    [f"{max(results[(t, p['photo'])]['peak'] for p in photos) / 1024:.0f}" for t in tools])
big = [p["photo"] for p in photos if mp(p) >= 23]
for name in big:
    row(f"peak MiB {name}"[:32], "", "",
        [f"{results[(t, name)]['peak'] / 1024:.0f}" for t in tools])
print()

start = results[("start", "tiny.jpg")]
print("Targets (wall / CPU)")
worst = (max(wall_ratios["quelmar-j1"]), max(cpu_ratios["quelmar-j1"]))
print(f"- quelmar-cli -j1 <= 1.0 x the floor on every photo: worst {worst[0]:.2f} / {worst[1]:.2f}"
      f"  {verdict(worst[0] <= 1.0)} / {verdict(worst[1] <= 1.0)}")
lead = (min(walls[t] for t in peers) / walls["quelmar-j1"],
        min(cpus[t] for t in peers) / cpus["quelmar-j1"])
print(f"- fastest peer / quelmar-cli -j1 over the set >= 1.25: {lead[0]:.2f} / {lead[1]:.2f}"
      f"  {verdict(lead[0] >= 1.25)} / {verdict(lead[1] >= 1.25)}")
for folder in ("uniform", "mixed"):
    j1, j2 = results[(folder + "-j1", "all")], results[(folder + "-j2", "all")]
    print(f"- {folder} folder throughput -j2 / -j1 >= 1.8 (wall): {j1['wall'] / j2['wall']:.2f}"
          f" ({j1['wall']:.2f} s / {j2['wall']:.2f} s)  {verdict(j1['wall'] / j2['wall'] >= 1.8)};"
          f" CPU -j2 / -j1 {j2['cpu'] / j1['cpu']:.2f}")
print(f"- process start on a tiny photo < 10 ms: {1000 * start['wall']:.1f} / "
      f"{1000 * start['cpu']:.1f} ms  {verdict(start['wall'] < 0.010)} / "
      f"{verdict(start['cpu'] < 0.010)}")
for name in big:
    peak = results[("quelmar-j1", name)]["peak"] / 1024
    print(f"- peak memory for {name} with -j1 < 90 MiB: {peak:.0f} MiB  {verdict(peak < 90)}")
EOF
