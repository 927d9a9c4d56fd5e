#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Quelmar needs.
# Idempotent: packages already present are left alone. Runs as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-qpa-plugins qt6-translations-l10n
  libjpeg62-turbo-dev libjpeg-turbo-progs libpng-dev libexiv2-dev libimage-exiftool-perl
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  fonts-ipafont-gothic xvfb xauth xdotool imagemagick
  file python3 desktop-file-utils groff-base dpkg-dev lintian
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
echo "install-deps: installing ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
