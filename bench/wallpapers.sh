# Sourced by the benchmark scripts that work on real photographs.

# Installs ImageMagick and libjpeg-turbo's command-line tools when they are missing.
need_photo_tools() {
  local need=() sudo=
  command -v convert-im6.q16 >/dev/null || need+=(imagemagick)
  command -v cjpeg >/dev/null || need+=(libjpeg-turbo-progs)
  [ ${#need[@]} -gt 0 ] || return 0
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
}

# fetch_wallpapers FOLDER: the JPEG wallpapers of Debian's ukui-wallpapers package, as NAME.jpg
# in FOLDER. The package is downloaded once into debs/ of the working folder (apt-get download)
# and unpacked into unpacked/ there.
fetch_wallpapers() {
  mkdir -p debs "$1"
  rm -rf unpacked
  if ! ls debs/*.deb >/dev/null 2>&1; then
    (cd debs && apt-get download ukui-wallpapers)
  fi
  local deb jpeg
  for deb in debs/*.deb; do dpkg -x "$deb" unpacked; done
  while IFS= read -r -d '' jpeg; do
    cp "$jpeg" "$1/$(basename "${jpeg%.*}").jpg"
  done < <(find unpacked -iname '*.jp*g' -print0)
}
