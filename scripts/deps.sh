#!/usr/bin/env bash
# Installs what Qel needs to build, run and test on Debian 12 (as root, or through sudo).
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libqt6sql6-sqlite libqt6sql6-psql libqt6svg6 libsqlite3-dev libpq-dev
  fonts-arphic-uming fonts-dejavu-core fonts-wqy-microhei qt6-l10n-tools qt6-translations-l10n
  mdbtools-dev mdbtools python3-vobject
  sqlite3 xvfb xauth imagemagick xdotool x11-utils poppler-utils postgresql
  dpkg-dev file desktop-file-utils appstream groff-base lintian
  python3
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
run() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
run apt-get update
run env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
