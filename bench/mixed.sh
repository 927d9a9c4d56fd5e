#!/usr/bin/env bash
# How a run scales with its workers on a folder of photographs of many sizes, and on a folder
# of one size.
#
# Fetches the wallpapers of Debian's ukui-wallpapers package (apt-get download + dpkg -x, into a
# scratch folder, never committed) and builds from them, with ImageMagick and cjpeg, a mixed
# folder of 16 photographs: the five wallpapers (8.7 to 9.2 MP, one progressive), copies at
# 1.3, 2 and 4 MP, and one 18 MP progressive 4:4:4 photo that is about half of the folder's
# single-core time. Then it times `quelmar-cli --jobs 1, 2, 4, 8` on the folder (best of
# REPEAT), each photo alone on one core (for the bound and the estimates), two processes fed
# by `xargs -P2` with the largest photo first, and -j1 / -j2 on 16 copies of one wallpaper.
# Every ratio is printed with its target; the machine's load is printed at the start and end.
#
# Usage: bench/mixed.sh [build folder, default build] [scratch folder]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
scratch=${2:-${TMPDIR:-/tmp}/quelmar-mixed}
cli=$build/src/cli/quelmar-cli
REPEAT=${REPEAT:-3}
[ -x "$cli" ] || { echo "no quelmar-cli at $cli: build it first" >&2; exit 2; }

# shellcheck source=bench/wallpapers.sh
source "$here/wallpapers.sh"
need_photo_tools
mkdir -p "$scratch"
cd "$scratch"
rm -rf mixed uniform single out wallpapers
mkdir -p mixed uniform single out
fetch_wallpapers wallpapers
mapfile -t walls < <(ls wallpapers/*.jpg | sort)
[ ${#walls[@]} -ge 5 ] || { echo "fewer than five JPEGs in ukui-wallpapers" >&2; exit 1; }

# The mixed folder, named so that the walk reaches the largest photo last.
cp "${walls[@]}" mixed/
resize() { # SOURCE WIDTHxHEIGHT OUTPUT [CJPEG OPTIONS...]
  convert-im6.q16 "$1" -resize "$2!" ppm:- | cjpeg -quality 92 "${@:4}" >"$3"
}
n=0
for size in 1400x930 1400x930 1400x930 1400x930 1730x1150 1730x1150 1730x1150 2450x1630 \
  2450x1630 2450x1630; do
  resize "${walls[$((n % ${#walls[@]}))]}" "$size" "mixed/m$n.jpg"
  n=$((n + 1))
done
resize "${walls[2]}" 5200x3460 mixed/z-18mp-progressive.jpg -progressive -sample 1x1
for i in $(seq 10 25); do cp "${walls[0]}" "uniform/u$i.jpg"; done

convert-im6.q16 -size 480x160 xc:white -fill '#1d3f8a' -draw 'roundrectangle 16,16 464,144 28,28' \
  -fill '#f4c542' -draw 'circle 90,80 90,40' -type TrueColor BMP3:logo.bmp
args=(--logo logo.bmp --position 5 --density 128 --quality 90)

# best SECONDS-VAR COMMAND...: the best wall time of REPEAT runs.
best() {
  local -n result=$1
  result=999999
  for _ in $(seq "$REPEAT"); do
    local start end
    start=$(date +%s.%N)
    "${@:2}" >/dev/null 2>&1
    end=$(date +%s.%N)
    result=$(awk -v a="$result" -v b="$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')" \
      'BEGIN { print (b < a) ? b : a }')
  done
}

echo "Run $(date -u '+%Y-%m-%d %H:%M UTC') on $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 |
  sed 's/^ *//'), $(nproc) cores; load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

# Each photo alone on one core: the per-file costs, in CPU time (user + system), which other
# processes on a busy machine cannot stretch as they stretch wall time.
printf '%-28s %8s %10s %10s\n' photo MP "ms alone" "CPU ms"
total=0
largest=0
costs=()
for photo in mixed/*.jpg; do
  name=$(basename "$photo")
  mkdir -p "single/$name" "out/single-$name"
  cp "$photo" "single/$name/"
  best wall taskset -c 0 "$cli" "${args[@]}" --source "single/$name" --output "out/single-$name" -j1
  /usr/bin/time -f '%U %S' -o cpu.txt taskset -c 0 "$cli" "${args[@]}" --source "single/$name" \
    --output "out/single-$name" -j1 >/dev/null 2>&1
  t=$(awk '{ print $1 + $2 }' cpu.txt)
  mp=$(identify-im6.q16 -format '%w %h' "$photo" | awk '{ print $1 * $2 / 1e6 }')
  printf '%-28s %8.1f %10.0f %10.0f\n' "$name" "$mp" "$(awk -v t="$wall" 'BEGIN { print t * 1000 }')" \
    "$(awk -v t="$t" 'BEGIN { print t * 1000 }')"
  costs+=("$t")
  total=$(awk -v a="$total" -v b="$t" 'BEGIN { print a + b }')
  largest=$(awk -v a="$largest" -v b="$t" 'BEGIN { print (b > a) ? b : a }')
done
echo

# The folder with 1, 2, 4 and 8 workers.
declare -A jobs_time
for jobs in 1 2 4 8; do
  rm -rf out/mixed && mkdir -p out/mixed
  best t "$cli" "${args[@]}" --source mixed --output out/mixed -j"$jobs"
  jobs_time[$jobs]=$t
  cp -r out/mixed "out/mixed-j$jobs"
done
for jobs in 2 4 8; do
  cmp -s <(cd out/mixed-j1 && cat ./*.jpg) <(cd "out/mixed-j$jobs" && cat ./*.jpg) ||
    { echo "the outputs of -j$jobs differ from -j1's" >&2; exit 1; }
done
# Two processes, each photo its own run, the largest first.
rm -rf out/xargs && mkdir -p out/xargs
xargs_run() {
  ls -S mixed | xargs -P2 -I{} "$cli" "${args[@]}" --source "single/{}" --output out/xargs -j1
}
best xargs_time xargs_run

# Paper estimates: the photos, largest first, each to the worker that is free first.
estimate() { # WORKERS
  printf '%s\n' "${costs[@]}" | sort -gr | awk -v w="$1" '
    BEGIN { best = 0 }
    { for (i = 1; i < w; i++) if (free[i] < free[best]) best = i
      free[best] += $1; best = 0 }
    END { m = 0; for (i = 0; i < w; i++) if (free[i] > m) m = free[i]; print m }'
}

printf 'mixed folder: %d photos, %.2f s of single-core CPU time, the largest photo %.2f s\n' \
  "${#costs[@]}" "$total" "$largest"
bound=$(awk -v t="$total" -v l="$largest" 'BEGIN { b = t / l; print (b < 2) ? b : 2 }')
printf '%-10s %8s %8s %22s\n' jobs seconds speed-up "estimate (per-file)"
for jobs in 1 2 4 8; do
  est=$(estimate "$jobs")
  printf '%-10s %8.2f %8.2f %14.2f s %5.2f x\n' "-j$jobs" "${jobs_time[$jobs]}" \
    "$(awk -v a="${jobs_time[1]}" -v b="${jobs_time[$jobs]}" 'BEGIN { print a / b }')" \
    "$est" "$(awk -v t="$total" -v e="$est" 'BEGIN { print t / e }')"
done
printf '%-10s %8.2f\n' "xargs -P2" "$xargs_time"
echo

speedup=$(awk -v a="${jobs_time[1]}" -v b="${jobs_time[2]}" 'BEGIN { print a / b }')
verdict() { awk -v ok="$1" 'BEGIN { print (ok ? "met" : "MISSED") }'; }
echo "Targets"
printf -- '- mixed folder -j2 / -j1 >= 0.95 x the bound min(2, %.2f / %.2f) = %.2f: %.2f  %s\n' \
  "$total" "$largest" "$bound" "$speedup" \
  "$(verdict "$(awk -v s="$speedup" -v b="$bound" 'BEGIN { print (s >= 0.95 * b) }')")"
printf -- '- mixed folder -j2 faster than two processes by xargs -P2 largest first: %.2f s against %.2f s  %s\n' \
  "${jobs_time[2]}" "$xargs_time" \
  "$(verdict "$(awk -v a="${jobs_time[2]}" -v b="$xargs_time" 'BEGIN { print (a < b) }')")"
rm -rf out/uniform && mkdir -p out/uniform
best u1 "$cli" "${args[@]}" --source uniform --output out/uniform -j1
best u2 "$cli" "${args[@]}" --source uniform --output out/uniform -j2
printf -- '- uniform folder (16 x %s) -j2 / -j1 >= 1.9: %.2f (%.2f s / %.2f s)  %s\n' \
  "$(basename "${walls[0]}")" "$(awk -v a="$u1" -v b="$u2" 'BEGIN { print a / b }')" "$u1" "$u2" \
  "$(verdict "$(awk -v a="$u1" -v b="$u2" 'BEGIN { print (a / b >= 1.9) }')")"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
