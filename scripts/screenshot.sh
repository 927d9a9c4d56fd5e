#!/usr/bin/env bash
# Starts the real program under Xvfb with a generated logo, photo tree and preview sample, and
# writes PNG screenshots, so the window can be looked at without a desktop:
#   OUT/1-splash.png    the about window shown alone at start-up (the whole screen)
#   OUT/2-main.png      the main window with the stamped preview
#   OUT/3-running.png   the main window during a conversion ("キャンセル", progress)
#   OUT/4-finished.png  the whole screen with the end-of-run message
#   OUT/5-about.png     the about window opened from its button, OK enabled
#   OUT/6-overview.png  the main window with the preview's overview of the whole sample
#   OUT/7-options.png   the 詳細設定 dialog opened from the button "詳細…"
# Needs xvfb-run, xdotool, ImageMagick (import, convert) and cjpeg.
# Usage: scripts/screenshot.sh [BUILD] [OUT]   (defaults: build, screenshots)
set -euo pipefail
build=${1:-build}
out=$(realpath -m "${2:-screenshots}")
program="$build/src/app/quelmar"
[ -x "$program" ] || { echo "screenshot: $program is not built" >&2; exit 1; }
for tool in xvfb-run xdotool import convert cjpeg; do
  command -v "$tool" > /dev/null || { echo "screenshot: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out" "$work/bin" "$work/写真" "$work/出力"
# The settings file lies beside the executable, so the program gets a folder of its own.
cp "$program" "$work/bin/quelmar"

# The logo: a red seal with white text on a transparent (top-left) white ground.
convert -size 180x64 xc:white -fill '#c8302a' -draw 'roundrectangle 4,4 175,59 14,14' \
  -fill white -font /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf -pointsize 34 \
  -gravity center -annotate +0+0 'ミルテカ' -type TrueColor "BMP3:$work/logo.bmp"
# Photographs: smooth random landscapes, enough of them for a run that lasts a few seconds.
photo() {  # photo PATH WIDTH HEIGHT SEED
  convert -seed "$4" -size "$2x$3" plasma:skyblue-forestgreen -blur 0x2 ppm:- |
    cjpeg -quality 85 > "$1"
}
photo "$work/sample.jpg" 1200 800 7
seed=1
for folder in 春 夏 秋; do
  mkdir -p "$work/写真/$folder"
  photo "$work/写真/$folder/1.jpg" 3000 2000 $((seed++))
  for i in $(seq 2 40); do cp "$work/写真/$folder/1.jpg" "$work/写真/$folder/$i.jpg"; done
done

printf '[Setup]\r\nMarkBitmap=%s\r\nExceptFolder=raw\r\nSourceFolder=%s/\r\nDestinationFolder=%s/\r\nPosition=5\r\nAlphaChannel=200\r\nJPEGQuality=90\r\nB/W=250\r\nMaskType=0\r\nSampleJPEG=%s\r\n\r\n' \
  "$work/logo.bmp" "$work/写真" "$work/出力" "$work/sample.jpg" > "$work/bin/Quelmar.ini"

cat > "$work/session.sh" <<'SESSION'
set -euo pipefail
work=$1 out=$2
"$work/bin/quelmar" &
program=$!
# Every window is searched for by its exact title, waiting until it is mapped.
window() { xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1; }
shot() { sleep 0.4; import -window "$1" "$out/$2"; }

window 'ミルテカについて' > /dev/null
shot root 1-splash.png
main=$(window 'ミルテカ')
shot "$main" 2-main.png
xdotool mousemove --window "$main" 213 436 click 1  # "変換"
sleep 1
import -window "$main" "$out/3-running.png"
message=
for _ in $(seq 1 240); do  # the end-of-run message is a second window of that title
  message=$(xdotool search --onlyvisible --name '^ミルテカ$' | grep -v "^$main\$" | head -n 1 || true)
  [ -n "$message" ] && break
  sleep 0.5
done
shot root 4-finished.png
xdotool windowfocus --sync "$message" key Return
sleep 0.3
xdotool mousemove --window "$main" 45 436 click 1  # "Quelmarについて"
about=$(window 'ミルテカについて')
shot "$about" 5-about.png
xdotool windowfocus --sync "$about" key Return
sleep 0.3
xdotool mousemove --window "$main" 213 332 click 1  # the preview: the overview
shot "$main" 6-overview.png
xdotool mousemove --window "$main" 297 436 click 1  # "詳細…"
options=$(window '詳細設定')
shot "$options" 7-options.png
xdotool windowfocus --sync "$options" key Escape
kill "$program"
SESSION
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/session.sh" "$work" "$out"
echo "screenshot: wrote $(ls "$out" | tr '\n' ' ')to $out"
