#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing the station need, only
# those missing. Runs as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config zlib1g-dev
  qt6-base-dev libqt6sql6-mysql qt6-multimedia-dev libxlsxwriter-dev libzxing-dev
  mariadb-server mariadb-client xvfb xauth
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  poppler-utils python3-openpyxl fonts-dejavu-core fonts-liberation2
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "run as root or install sudo: ${missing[*]}" >&2; exit 1; }
  sudo=sudo
fi
echo "Instalando paquetes: ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
# Installing mariadb-server must not start the system service; the station runs its own.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
