#!/usr/bin/env bash
# Builds the Debian package from a configured and built build folder, unpacks it into a
# scratch folder and checks what a user gets: the programs, the menu entry, the icons, the
# manual pages, the bash completion, the computed dependencies, and a small conversion
# with the unpacked quelmar-cli.
#
# Usage: package_test.sh BUILD_FOLDER
# Exit status: 0 passed, 1 failed, 77 skipped (not a Debian system).
set -uo pipefail

build=$(cd "${1:?usage: package_test.sh BUILD_FOLDER}" && pwd) || exit 1
if ! command -v dpkg-deb >/dev/null; then
  echo "SKIP: not a Debian system (no dpkg-deb)"
  exit 77
fi
# On Debian every tool must be there (scripts/install-deps.sh installs them).
for tool in cpack dpkg-shlibdeps file python3 cjpeg djpeg gzip; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAIL - $tool is not installed"
    exit 1
  fi
done

scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT
passed=0
failed=0

pass() {
  passed=$((passed + 1))
  echo "ok - $1"
}
fail() {
  failed=$((failed + 1))
  echo "FAIL - $1"
}
# check DESCRIPTION COMMAND...: passes when the command succeeds.
check() {
  local description=$1
  shift
  if "$@"; then pass "$description"; else fail "$description"; fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

# The package ------------------------------------------------------------------------------

if ! (cd "$build" && cpack -G DEB -B "$scratch/package") >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  fail "cpack -G DEB builds the package"
  finish
fi
mapfile -t packages < <(find "$scratch/package" -maxdepth 1 -name '*.deb')
if [ "${#packages[@]}" -ne 1 ]; then
  fail "cpack makes exactly one .deb (found ${#packages[@]})"
  finish
fi
deb=${packages[0]}
field() { dpkg-deb -f "$deb" "$1"; }

version=$(field Version)
check "the package is named quelmar_<version>_<arch>.deb" \
  test "$(basename "$deb")" = "quelmar_${version}_$(dpkg --print-architecture).deb"
check "the package's section is graphics" test "$(field Section)" = graphics
check "the package names its maintainer" grep -q '<.*@.*>' <<<"$(field Maintainer)"
check "the package has a summary and a long description" \
  test "$(field Description | wc -l)" -ge 2

depends=$(field Depends)
echo "Depends: $depends"
# depends_on PACKAGE: the package is one of the dependencies (or of their alternatives).
depends_on() { tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | grep -qxF "$1"; }
check "Depends lists libjpeg62-turbo" depends_on libjpeg62-turbo
check "Depends lists the C++ runtime" depends_on libstdc++6
check "Depends names no development package" bash -c '! grep -q -- "-dev\b" <<<"$1"' _ "$depends"

root=$scratch/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x unpacks the package"
cli=$root/usr/bin/quelmar-cli
window=$root/usr/bin/quelmar

# Files of the package ----------------------------------------------------------------------

check "quelmar-cli is installed in /usr/bin" test -x "$cli"
check "the manual page of quelmar-cli is installed, gzip'd" \
  gzip -t "$root/usr/share/man/man1/quelmar-cli.1.gz"
check "the bash completion of quelmar-cli is installed" \
  test -f "$root/usr/share/bash-completion/completions/quelmar-cli"
if command -v groff >/dev/null; then
  check "the manual page renders without groff warnings" bash -c \
    'gzip -dc "$1" | groff -man -Tutf8 -K utf8 -ww -z 2>&1 | { ! grep .; }' _ \
    "$root/usr/share/man/man1/quelmar-cli.1.gz"
fi
# page_names_version PAGE: the heading of the gzip'd manual page carries the package's version.
page_names_version() { gzip -dc "$1" | head -n 1 | grep -qF "Quelmar $version"; }
check "the manual page names the package's version" \
  page_names_version "$root/usr/share/man/man1/quelmar-cli.1.gz"

# Width and height of a PNG file, from its header.
png_size() {
  python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read(24)
assert data[:8] == b"\x89PNG\r\n\x1a\n" and data[12:16] == b"IHDR", "not a PNG file"
print("%dx%d" % struct.unpack(">II", data[16:24]))
EOF
}

if [ -e "$window" ]; then
  check "quelmar is installed in /usr/bin" test -x "$window"
  desktop=$root/usr/share/applications/quelmar.desktop
  check "the desktop entry is installed" test -f "$desktop"
  if command -v desktop-file-validate >/dev/null; then
    check "the desktop entry is valid" desktop-file-validate "$desktop"
  fi
  for line in 'Name=ミルテカ' 'Name[ja]=ミルテカ' 'Exec=quelmar' 'Icon=quelmar' \
    'Terminal=false' 'Categories=Graphics;Photography;Qt;'; do
    check "the desktop entry holds $line" grep -qxF "$line" "$desktop"
  done
  check "the desktop entry has a generic name" grep -q '^GenericName=.' "$desktop"
  for size in 16 22 24 32 48 64 128 256; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/quelmar.png
    check "the ${size}x${size} icon is a PNG of that size" \
      test "$(png_size "$icon" 2>/dev/null)" = "${size}x${size}"
  done
  check "the scalable icon is an SVG picture" \
    grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/quelmar.svg"
  check "the manual page of quelmar is installed, gzip'd" \
    gzip -t "$root/usr/share/man/man1/quelmar.1.gz"
  for library in libqt6core6 libqt6gui6 libqt6widgets6; do
    check "Depends lists $library" depends_on "$library"
  done
  # Its platform plugins are loaded at run time, out of dpkg-shlibdeps' sight.
  check "Depends lists qt6-qpa-plugins" depends_on qt6-qpa-plugins

  check "the unpacked quelmar --version names the package's version" \
    test "$(env -u DISPLAY -u WAYLAND_DISPLAY "$window" --version 2>&1)" = "quelmar $version"
  check "the manual page of quelmar names the package's version" \
    page_names_version "$root/usr/share/man/man1/quelmar.1.gz"

  # The window opens and keeps running until it is stopped; a failure to start ends it early.
  QT_QPA_PLATFORM=offscreen HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config \
    timeout 3 "$window" >"$scratch/window.log" 2>&1
  status=$?
  check "the unpacked quelmar starts and runs (status $status, 124 expected)" test "$status" -eq 124
  [ "$status" -eq 124 ] || cat "$scratch/window.log"
fi

# The licence and the changelog, and what lintian finds -------------------------------------

doc=$root/usr/share/doc/quelmar
check "the copyright file is in Debian's machine-readable format" \
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$doc/copyright"
check "the copyright file gives every file to the Quelmar developers under the MIT (Expat) licence" \
  bash -c 'grep -A2 -x "Files: \*" "$1" | tr "\n" " " |
    grep -qF "Copyright: 2026 Quelmar developers License: Expat"' _ "$doc/copyright"
# The stand-alone paragraph of the Expat licence, unfolded: the text of LICENSE after its
# title and notice.
licence_text() {
  awk 'BEGIN { RS = "" } /^License: Expat\n/ { print }' "$1" | sed '1d; s/^ //; s/^\.$//'
}
source_licence=$(sed -n '/^Permission/,$p' "$(dirname "$0")/../../LICENSE")
check "the copyright file holds the text of LICENSE" \
  test "$(licence_text "$doc/copyright")" = "$source_licence"
check "the changelog's latest entry names the package's version" \
  bash -c 'gzip -dc "$1" | head -n 1 | grep -q "^quelmar ($2) "' _ "$doc/changelog.gz" "$version"

if command -v lintian >/dev/null; then
  # Status 2 means errors were found, 1 that lintian itself failed; the tags are printed so
  # that warnings are seen too.
  lintian --fail-on error --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1
  status=$?
  grep -E '^[EWI]: ' "$scratch/lintian.log"
  [ "$status" -ne 1 ] || cat "$scratch/lintian.log"
  check "lintian runs on the package (status $status)" test "$status" -ne 1
  check "lintian finds no errors in the package" bash -c '! grep -q "^E: " "$1"' _ "$scratch/lintian.log"
else
  echo "# lintian is not installed: the package's policy check is left out"
fi

# The unpacked quelmar-cli ------------------------------------------------------------------

check "the unpacked quelmar-cli --version names the package's version" \
  test "$("$cli" --version 2>&1)" = "quelmar-cli $version"

help=$("$cli" --help 2>&1)
status=$?
check "the unpacked quelmar-cli --help succeeds" test "$status" -eq 0
options=(--logo --source --output --exclude --position --density --mask --threshold
  --quality --settings --on-error --jobs --help --version)
for option in "${options[@]}"; do
  check "--help explains $option" grep -qe "$option" <<<"$help"
done

# Every option that --help shows is documented and completed.
# shows TEXT OPTION: the option stands in the text as a word of its own.
shows() { grep -qE -- "(^|[ ,\"])$2([ ,=\"]|$)" <<<"$1"; }
mapfile -t shown < <(grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' <<<"$help" | tr -d ' ,' | sort -u)
manual=$(gzip -dc "$root/usr/share/man/man1/quelmar-cli.1.gz" | sed 's/\\-/-/g')
manual_options=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' <<<"$manual")
# completions WORD...: what the completion offers for the last word, one a line, in a shell
# whose current folder is $data, with the bash-completion package's helpers loaded when
# $helpers names them. Words come split as bash splits them: "--mask=" is "--mask" "=".
helpers=
completions() {
  (cd "$data" && bash -c '[ -z "$2" ] || source "$2"; source "$1"; shift 2
    COMP_WORDS=(quelmar-cli "$@"); COMP_CWORD=$#; COMP_LINE="${COMP_WORDS[*]}"
    COMP_LINE=${COMP_LINE// = /=}; COMP_POINT=${#COMP_LINE}
    _quelmar_cli; printf "%s\n" "${COMPREPLY[@]}" | sort' _ \
    "$root/usr/share/bash-completion/completions/quelmar-cli" "$helpers" "$@")
}
data=$scratch/data
mkdir -p "$data/source/旅行/深い" "$data/source/raw" "$data/source/.hidden" "$data/output"
offered=$(completions -)
for option in "${shown[@]}"; do
  check "the manual page documents $option" shows "$manual_options" "$option"
  check "bash completion offers $option" grep -qxe "$option" <<<"$offered"
done
# And nothing is documented or completed that the program does not take.
mapfile -t documented < <(grep -oE -- '(^|[ "])--?[a-z][a-z-]*' <<<"$manual_options" |
  tr -d ' "' | sort -u)
for option in "${documented[@]}" $offered; do
  check "quelmar-cli --help shows $option" shows "$help" "$option"
done

# A small tree of photographs: a logo whose top-left pixel is white (the transparent colour)
# and the rest red, and flat blue-grey JPEGs, sequential, progressive and grayscale.
python3 - "$data" <<'EOF'
import struct, sys

folder = sys.argv[1]
width, height = 16, 16
rows = []
for y in range(height - 1, -1, -1):  # BMP rows are stored bottom-up
    row = b"".join(
        b"\xff\xff\xff" if (x, y) == (0, 0) else b"\x00\x00\xff" for x in range(width)
    )
    rows.append(row + b"\0" * (-len(row) % 4))
pixels = b"".join(rows)
header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
with open(f"{folder}/logo.bmp", "wb") as f:
    f.write(header + info + pixels)
with open(f"{folder}/photo.ppm", "wb") as f:
    f.write(b"P6\n64 48\n255\n" + bytes((100, 150, 200)) * (64 * 48))
EOF
: >"$data/logo.png"  # only for the completion: a PNG logo is offered beside the BMP
cjpeg -quality 95 "$data/photo.ppm" >"$data/source/a.jpg"
cjpeg -quality 95 -progressive "$data/photo.ppm" >"$data/source/旅行/深い/b.JPG"
cjpeg -quality 95 -grayscale "$data/photo.ppm" >"$data/source/旅行/c.jpeg"
cp "$data/source/a.jpg" "$data/source/raw/skipped.jpg"
cp "$data/source/a.jpg" "$data/source/.hidden/skipped.jpg"
(cd "$data/source" && find . -type f -exec md5sum {} + | sort) >"$data/source.md5"

for helpers in '' /usr/share/bash-completion/bash_completion; do
  [ -z "$helpers" ] || [ -f "$helpers" ] || continue
  check "bash completion${helpers:+ with its helpers} offers the positions after --position" \
    test "$(completions --position '' | tr '\n' ' ')" = "0 1 2 3 4 5 "
  check "bash completion${helpers:+ with its helpers} offers the masks after --mask=" \
    test "$(completions --mask = '' | tr '\n' ' ')" = "0 1 2 "
  check "bash completion${helpers:+ with its helpers} offers continue and stop after --on-error" \
    test "$(completions --on-error '' | tr '\n' ' ')" = "continue stop "
  check "bash completion${helpers:+ with its helpers} offers folders after --source" \
    test "$(completions --source s)" = "source"
  check "bash completion${helpers:+ with its helpers} offers BMP and PNG files and folders after --logo" \
    test "$(completions --logo '' | tr '\n' ' ')" = "logo.bmp logo.png output source "
done

"$cli" --logo "$data/logo.bmp" --source "$data/source" --output "$data/output" \
  --exclude raw --position 5 --density 256 --mask 0 --quality 90 --jobs 2 \
  >"$scratch/convert.log" 2>&1
status=$?
check "a conversion with the unpacked quelmar-cli ends with status 0 (got $status)" \
  test "$status" -eq 0
[ "$status" -eq 0 ] || cat "$scratch/convert.log"
for file in a.jpg 旅行/深い/b.JPG 旅行/c.jpeg; do
  check "the output holds $file, decodable" djpeg -outfile /dev/null "$data/output/$file"
done
check "the excluded folder raw is not converted" test ! -e "$data/output/raw"
check "the hidden folder is not converted" test ! -e "$data/output/.hidden"
check "the source tree is unchanged" bash -c \
  'cd "$1/source" && find . -type f -exec md5sum {} + | sort | cmp -s - "$1/source.md5"' _ "$data"
# The frame marker: 0xc0 for a sequential baseline file, 0xc2 for a progressive one.
frame() { djpeg -verbose -outfile /dev/null "$1" 2>&1 | grep -o 'Start Of Frame 0xc[0-9a-f]'; }
check "the sequential source gives a baseline output" \
  test "$(frame "$data/output/a.jpg")" = "Start Of Frame 0xc0"
check "the progressive source gives a progressive output" \
  test "$(frame "$data/output/旅行/深い/b.JPG")" = "Start Of Frame 0xc2"

# Pixel (x, y) of a JPEG file as "R G B".
pixel() {
  djpeg -pnm "$1" | python3 -c '
import sys
data = sys.stdin.buffer.read()
fields, pos = [], 0
while len(fields) < 4:
    while data[pos:pos + 1].isspace():
        pos += 1
    end = pos
    while not data[end:end + 1].isspace():
        end += 1
    fields.append(data[pos:end])
    pos = end
pos += 1
width = int(fields[1])
channels = 3 if fields[0] == b"P6" else 1
x, y = int(sys.argv[1]), int(sys.argv[2])
start = pos + (y * width + x) * channels
print(*(data[start:start + channels] * (3 // channels)))
' "$2" "$3"
}
near() {  # near "R G B" R G B: each channel within 40
  local -a got
  read -ra got <<<"$1"
  local i want=("$2" "$3" "$4")
  for i in 0 1 2; do
    [ "${got[i]}" -ge $((want[i] - 40)) ] && [ "${got[i]}" -le $((want[i] + 40)) ] || return 1
  done
}
if [ -f "$data/output/a.jpg" ]; then
  check "the logo is stamped red at the bottom right" near "$(pixel "$data/output/a.jpg" 56 40)" 255 0 0
  check "the photograph keeps its colour away from the logo" \
    near "$(pixel "$data/output/a.jpg" 8 8)" 100 150 200
fi

"$cli" --logo "$data/missing.bmp" --source "$data/source" --output "$data/output" \
  >/dev/null 2>&1
status=$?
check "a missing logo ends with status 2 (got $status)" test "$status" -eq 2
"$cli" --logo "$data/logo.bmp" --source "$data/source" --output "$data/source/旅行" \
  >/dev/null 2>&1
status=$?
check "an output folder inside the source ends with status 2 (got $status)" test "$status" -eq 2

finish
